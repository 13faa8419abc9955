// Auto-Vox: RIFF-style chunks appended where the next top-level box would start: a four-letter
// tag, a little-endian length, the data. Read as a box header, the tag is a size far beyond the
// file, so the box tree stops right before it. "gpsa" comes first; "gps0" holds 40-byte records
//   "AITG", f64 ddmm.mmmm latitude and longitude (unsigned), 4 bytes, u16 knots,
//   year-1900, month, day, hour, minute, second (UTC), course/2, 1=N 2=S, 1=E 2=W, 1 byte,
//   u32 ms into the recording
// and "gsen" 12-byte records "AITS", three signed counts (24 a g), 1 byte, u32 ms.
// A chunk tag of four NULs ends the list.

#include "geo.h"
#include "morecams.h"
#include "layoutcommon.h"
#include "morecommon.h"
#include "mp4/mp4atomtree.h"
#include "realcommon.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace realcams;

namespace {

constexpr int kGpsRecord = 0x28;
constexpr int kGsenRecord = 0x0c;
// Chunks of one trailer: a few per recording.
constexpr int kMaxChunks = 4096;
constexpr qint64 kMaxChunk = 0x2000000;

bool isChunkTag(const char *t)
{
    for (int i = 0; i < 4; ++i) {
        const char c = t[i];
        if (!(c == ' ' || c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')
                || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return true;
}

void readGps0(const QByteArray &data, AssistInfoList *samples)
{
    for (int pos = 0; pos + kGpsRecord <= data.size(); pos += kGpsRecord) {
        const char *r = data.constData() + pos;
        if (std::memcmp(r, "AITG", 4) != 0)
            return;
        const uchar *u = reinterpret_cast<const uchar *>(r);
        const double lat = layout::f64le(r + 4), lon = layout::f64le(r + 12);
        if (!(std::fabs(lat) <= 9000.0) || !(std::fabs(lon) <= 18000.0))
            return;
        AssistInfo s = emptySample(qFromLittleEndian<quint32>(u + 0x24));
        const double latDeg = geo::ddmmToDegrees(std::fabs(lat));
        const double lonDeg = geo::ddmmToDegrees(std::fabs(lon));
        if ((lat != 0.0 || lon != 0.0) && latDeg >= 0.0 && lonDeg >= 0.0
            && setPosition(&s, u[0x21] == 2 ? -latDeg : latDeg, u[0x22] == 2 ? -lonDeg : lonDeg)) {
            s.speed = qRound(qFromLittleEndian<quint16>(u + 0x18) * 1.852);
            if (u[0x20] <= 180)
                s.course = u[0x20] * 2.0;
        }
        s.setUtc(geo::utcMs(1900 + u[0x1a], u[0x1b], u[0x1c], u[0x1d], u[0x1e], u[0x1f]),
            AssistInfo::Clock::Gps);
        appendOrdered(samples, s);
    }
}

void readGsen(const QByteArray &data, QVector<morecams::GReading> *readings)
{
    for (int pos = 0; pos + kGsenRecord <= data.size() && readings->size() < kMaxSamples;
         pos += kGsenRecord) {
        const char *r = data.constData() + pos;
        if (std::memcmp(r, "AITS", 4) != 0)
            return;
        const qint64 ms = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(r) + 8);
        readings->append({ms, qint8(r[4]) / 24.0, qint8(r[5]) / 24.0, qint8(r[6]) / 24.0});
    }
}

} // namespace

LayoutResult readAutoVoxTrailer(ByteSource &src, const ReadContext &ctx)
{
    const Mp4AtomTree &tree = ctx.boxes.of(src);
    const QVector<int> top = tree.children(-1);
    if (top.isEmpty())
        return LayoutResult{};
    qint64 pos = tree.atoms()[top.last()].header.end();
    char head[8];
    if (src.readAt(pos, head, 8) != 8 || head[7] != 0
        || !(std::memcmp(head, "gpsa", 4) == 0 || std::memcmp(head, "gps0", 4) == 0
            || std::memcmp(head, "gsen", 4) == 0 || std::memcmp(head, "gsea", 4) == 0))
        return LayoutResult{};
    AssistInfoList samples;
    QVector<morecams::GReading> readings;
    for (int n = 0; n < kMaxChunks && src.readAt(pos, head, 8) == 8; ++n) {
        const qint64 len = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(head + 4));
        if (std::memcmp(head, "\0\0\0\0", 4) == 0 || !isChunkTag(head) || len >= kMaxChunk
            || len > src.size() - pos - 8)
            break;
        if (std::memcmp(head, "gps0", 4) == 0)
            readGps0(src.readAt(pos + 8, len), &samples);
        else if (std::memcmp(head, "gsen", 4) == 0)
            readGsen(src.readAt(pos + 8, len), &readings);
        pos += 8 + len;
    }
    morecams::attachGReadings(&samples, readings);
    return makeResult(81, samples);
}
