// Parrot drones: a "meta" track of "mett" samples, one a frame, each a list of big-endian records
// "<letter><digit>", u16 length in 32-bit words, then the words. The basic records P2 (56 bytes)
// and P3 (72 bytes, its length word also counts extensions that follow) hold
//   i32 height above ground (1/65536 m), i32 latitude and longitude (1/2^22 degree; 500 when
//   unknown), i32 altitude and satellites, i16 velocity north, east and down (1/256 m/s), ...
// E records (time stamps, follow-me, automation) are stepped over. The records carry no date: the
// moment of a fix is the movie's creation time (mvhd, the camera's clock) plus the sample's time.

#include "morecams.h"
#include "morecommon.h"
#include "mp4/mp4atomtree.h"
#include "realcommon.h"

#include <QtEndian>
#include <cmath>

using namespace realcams;

namespace {

// Samples looked at for a P2/P3 record before a mett track counts as another layout's.
constexpr quint32 kProbeSamples = 8;
// A frame's records take a few hundred bytes.
constexpr quint32 kMaxFrame = 64 * 1024;

bool isRecordId(const uchar *p)
{
    return (p[0] == 'E' || p[0] == 'P') && p[1] >= '0' && p[1] <= '9';
}

// The fix of one basic record.
void readBasic(const uchar *r, AssistInfo *s)
{
    const double lat = qFromBigEndian<qint32>(r + 8) / double(0x400000);
    const double lon = qFromBigEndian<qint32>(r + 12) / double(0x400000);
    if (!setPosition(s, lat, lon))
        return;
    const double north = qFromBigEndian<qint16>(r + 20) / 256.0;
    const double east = qFromBigEndian<qint16>(r + 22) / 256.0;
    const double mps = std::hypot(north, east);
    s->speed = qRound(mps * 3.6);
    if (mps > 0.0)
        s->course = std::fmod(std::atan2(east, north) * 180.0 / M_PI + 360.0, 360.0);
}

// True when the frame holds a basic record; its fix (if any) goes into s.
bool readFrame(const QByteArray &frame, AssistInfo *s)
{
    const uchar *u = reinterpret_cast<const uchar *>(frame.constData());
    const int end = frame.size();
    for (int pos = 0; pos + 4 < end;) {
        if (!isRecordId(u + pos))
            return false;
        const bool p2 = u[pos] == 'P' && u[pos + 1] == '2';
        const bool p3 = u[pos] == 'P' && u[pos + 1] == '3';
        const int size = p2 ? 56 : p3 ? 72 : qFromBigEndian<quint16>(u + pos + 2) * 4 + 4;
        if (size > end - pos)
            return false;
        if (p2 || p3) {
            readBasic(u + pos, s);
            return true;
        }
        pos += size;
    }
    return false;
}

LayoutResult readTrack(ByteSource &src, const DataTrack &t, qint64 creationMs)
{
    TrackSamples track(src, t);
    AssistInfoList samples;
    bool marked = false;
    for (quint32 id = 1; id <= track.count() && samples.size() < kMaxSamples; ++id) {
        if (!marked && id > kProbeSamples)
            return LayoutResult{};
        QByteArray bytes;
        qint64 start = 0, duration = 0;
        AssistInfo s = emptySample(0);
        if (!track.read(id, &bytes, &start, &duration, kMaxFrame) || !readFrame(bytes, &s))
            continue;
        marked = true;
        s.timeMs = start;
        if (creationMs >= 0)
            s.setUtc(creationMs + start, AssistInfo::Clock::Camera);
        if (s.hasPosition)
            appendOrdered(&samples, s);
    }
    if (!marked)
        return LayoutResult{};
    return makeResult(86, samples);
}

} // namespace

LayoutResult readParrotMett(ByteSource &src, const ReadContext &ctx)
{
    for (const DataTrack &t : findDataTracks(src, ctx)) {
        if (t.format != "mett")
            continue;
        LayoutResult r
            = readTrack(src, t, morecams::movieCreationMs(src, ctx.boxes.of(src)));
        if (r.status != ReadStatus::None)
            return r;
    }
    return LayoutResult{};
}
