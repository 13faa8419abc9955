// TomTom Bandit: moov.udta.TTMD holds "TTAD", a stream of typed little-endian records that starts
// 76 bytes into the atom. One type byte, then a fixed length per type:
//   0xFF  4  u32 ms into the recording, stamping the records after it
//   0     12 three i32 (angular velocity, thousandths)
//   1     4  unknown
//   2     12 unknown
//   3     12 three i32 accelerometer values in thousandths of a g
//   5     92 GPS: f64 Unix time, u32, f64 m/s, f64 altitude, f64 latitude, f64 longitude, u32,
//            f64 course, then values of no known use
// The stream is entered at the first time code of at most 250 ms; an unknown type byte means the
// reader lost step, so it skips bytes until a time code not earlier than the last one and at most
// 250 ms later.

#include "morecams.h"
#include "layoutcommon.h"
#include "morecommon.h"
#include "mp4/mp4atomtree.h"
#include "realcommon.h"

#include <QtEndian>
#include <cmath>

using namespace realcams;

namespace {

constexpr int kStreamStart = 76;
// Bytes skipped in a row while looking for a time code before the stream counts as lost.
constexpr int kMaxSkipped = 0x100;

int recordLength(uchar type)
{
    switch (type) {
    case 0:
    case 2:
    case 3:
        return 12;
    case 1:
    case 0xff:
        return 4;
    case 5:
        return 92;
    default:
        return 0;
    }
}

AssistInfo gpsSample(const char *r, qint64 timeMs)
{
    AssistInfo s = emptySample(timeMs);
    const double unix = layout::f64le(r);
    if (std::isfinite(unix) && unix > 0.0 && unix < 7.0e9)
        s.setUtc(std::llround(unix * 1000.0), AssistInfo::Clock::Gps);
    if (setPosition(&s, layout::f64le(r + 0x1c), layout::f64le(r + 0x24))) {
        const double mps = layout::f64le(r + 0x0c), course = layout::f64le(r + 0x30);
        if (mps >= 0.0 && mps < 1.0e4)
            s.speed = qRound(mps * 3.6);
        if (course >= 0.0 && course <= 360.0)
            s.course = course;
    }
    return s;
}

LayoutResult readStream(const QByteArray &d)
{
    AssistInfoList samples;
    QVector<morecams::GReading> readings;
    const uchar *u = reinterpret_cast<const uchar *>(d.constData());
    qint64 sampleTime = 0;
    bool resync = true;
    int skipped = 0;
    int pos = kStreamStart;
    while (pos < d.size()) {
        const uchar type = u[pos++];
        const int len = recordLength(type);
        if (resync && type != 0xff) {
            if (++skipped > kMaxSkipped)
                break;
            continue;
        }
        if (len == 0) {
            resync = true;
            ++skipped;
            continue;
        }
        if (len > d.size() - pos)
            break;
        const char *r = d.constData() + pos;
        if (type == 0xff) {
            const qint64 tm = qFromLittleEndian<quint32>(u + pos);
            if (resync) {
                if (tm < sampleTime || tm > sampleTime + 250) {
                    ++skipped;
                    continue;
                }
                resync = false;
                skipped = 0;
            }
            sampleTime = tm;
        } else if (type == 5) {
            appendOrdered(&samples, gpsSample(r, sampleTime));
        } else if (type == 3 && readings.size() < kMaxSamples) {
            const auto axis
                = [&](int k) { return qFromLittleEndian<qint32>(u + pos + 4 * k) / 1000.0; };
            readings.append({sampleTime, axis(0), axis(1), axis(2)});
        }
        pos += len;
    }
    morecams::attachGReadings(&samples, readings);
    return makeResult(82, samples);
}

} // namespace

LayoutResult readTomTomTtad(ByteSource &src, const ReadContext &ctx)
{
    const Mp4AtomTree &tree = ctx.boxes.of(src);
    const int ttad = tree.find("moov.udta.TTMD.TTAD");
    if (ttad < 0 || tree.atoms()[ttad].header.payload().size() < kStreamStart)
        return LayoutResult{};
    return readStream(morecams::boxPayload(src, tree.atoms()[ttad].header));
}
