// Insta360 (INSV videos, INSP photos): a trailer of records read from the end of the file
// backwards. The last 78 bytes end in the ASCII magic "8db42d694ccc418790edff439fe026bf"; their
// first 6 bytes are the header (u16 id, u32 length, little-endian) of the record whose data sits
// right before them, and the u32 at 38 is the length of the whole trailer. Each record's data is
// preceded by the header of the record before it, back to the trailer's start.
// Record 0x700 holds 53-byte GPS fixes: u32 Unix seconds, u32 and u16 counters, 'A' for a fix,
// f64 latitude, 'N'/'S', f64 longitude, 'E'/'W' (or 'O' for ouest), f64 m/s, f64 course,
// f64 altitude. Fixes not marked 'A' are void and left out.

#include "morecams.h"
#include "layoutcommon.h"
#include "morecommon.h"
#include "realcommon.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>

using namespace realcams;

namespace {

constexpr int kTailSize = 78;
constexpr char kMagic[] = "8db42d694ccc418790edff439fe026bf";
constexpr int kGpsRecord = 53;
constexpr quint16 kGpsId = 0x700;
// Records of one trailer: a dozen kinds, each once.
constexpr int kMaxRecords = 1024;

struct TimedFix
{
    qint64 utcMs;
    AssistInfo sample;
};

// False when a fix is neither void nor of this layout: the record is not read further.
bool readFixes(const QByteArray &data, QVector<TimedFix> *fixes)
{
    for (int p = 0; p + kGpsRecord <= data.size() && fixes->size() < kMaxSamples; p += kGpsRecord) {
        const char *r = data.constData() + p;
        if (r[10] != 'A')
            continue;
        const char ns = r[19], ew = r[28];
        if ((ns != 'N' && ns != 'S') || (ew != 'E' && ew != 'W' && ew != 'O'))
            return false;
        const double lat = std::fabs(layout::f64le(r + 11));
        const double lon = std::fabs(layout::f64le(r + 20));
        AssistInfo s = emptySample(0);
        if (!setPosition(&s, ns == 'S' ? -lat : lat, ew == 'E' ? lon : -lon))
            continue;
        const double mps = layout::f64le(r + 29), course = layout::f64le(r + 37);
        if (mps >= 0.0 && mps < 1.0e4)
            s.speed = qRound(mps * 3.6);
        if (course >= 0.0 && course <= 360.0)
            s.course = course;
        // Unix seconds, then the milliseconds as a 16-bit count at byte 8.
        const quint16 ms = qFromLittleEndian<quint16>(r + 8);
        const qint64 utc = qint64(qFromLittleEndian<quint32>(r)) * 1000 + (ms < 1000 ? ms : 0);
        s.setUtc(utc, AssistInfo::Clock::Gps);
        fixes->append({utc, s});
    }
    return true;
}

} // namespace

LayoutResult readInsta360Trailer(ByteSource &src, const ReadContext &)
{
    const qint64 fileEnd = src.size();
    if (fileEnd < kTailSize)
        return LayoutResult{};
    QByteArray head = src.readAt(fileEnd - kTailSize, kTailSize);
    if (head.size() != kTailSize || head.right(32) != kMagic)
        return LayoutResult{};
    const qint64 trailerLen = qFromLittleEndian<quint32>(head.constData() + 38);
    QVector<TimedFix> fixes;
    bool gpsRecords = false;
    if (trailerLen <= fileEnd) {
        const qint64 trailerBegin = fileEnd - trailerLen;
        qint64 headerPos = fileEnd - kTailSize;
        for (int n = 0; n < kMaxRecords; ++n) {
            const quint16 id = qFromLittleEndian<quint16>(head.constData());
            const qint64 len = qFromLittleEndian<quint32>(head.constData() + 2);
            const qint64 dataPos = headerPos - len;
            if (dataPos < trailerBegin)
                break;
            if (id == kGpsId) {
                gpsRecords = true;
                if (len % kGpsRecord == 0 && len <= morecams::kMaxPart)
                    readFixes(src.readAt(dataPos, len), &fixes);
            }
            headerPos = dataPos - 6;
            if (headerPos < trailerBegin)
                break;
            head = src.readAt(headerPos, 6);
            if (head.size() != 6)
                break;
        }
    }
    // A camera without a GPS module writes the trailer too: no telemetry of ours then.
    if (trailerLen <= fileEnd && !gpsRecords)
        return LayoutResult{};
    // Records were met last first; fixes go by their own clock.
    std::stable_sort(fixes.begin(), fixes.end(),
        [](const TimedFix &a, const TimedFix &b) { return a.utcMs < b.utcMs; });
    AssistInfoList samples;
    for (TimedFix &f : fixes) {
        f.sample.timeMs = f.utcMs - fixes.first().utcMs;
        appendOrdered(&samples, f.sample);
    }
    return makeResult(83, samples);
}
