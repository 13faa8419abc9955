// DJI drones: a subtitle track (sbtl/text) whose cues describe the shot in words, one a frame or
// a second:
//   "F/3.5, SS 1000, ISO 100, EV 0, GPS (8.6499, 53.1665, 18), D 24.26m, H 6.00m,
//    H.S 2.10m/s, V.S 0.00m/s"
// GPS gives longitude first, then latitude (decimal degrees). H.S is the horizontal speed in m/s.
// The cues carry no date and no course.

#include "morecams.h"
#include "realcommon.h"

#include <QRegularExpression>

using namespace realcams;

namespace {

// Cues looked at for the GPS words before a track counts as another layout's.
constexpr quint32 kProbeCues = 8;
// A cue of this layout is one line of a few dozen words.
constexpr quint32 kMaxCue = 4096;

QByteArray cueText(const QByteArray &sample)
{
    if (sample.size() >= 2) {
        const int n = (uchar(sample[0]) << 8) | uchar(sample[1]);
        if (n <= sample.size() - 2)
            return sample.mid(2, n);
    }
    return sample;
}

bool readCue(const QString &text, AssistInfo *s)
{
    static const QRegularExpression gps(
        QStringLiteral("GPS \\(([-+]?\\d*\\.\\d+),\\s*([-+]?\\d*\\.\\d+)"));
    static const QRegularExpression speed(QStringLiteral(",\\s*H.S\\s+([-+]?\\d+\\.?\\d*)"));
    const QRegularExpressionMatch m = gps.match(text);
    if (!m.hasMatch() || !setPosition(s, m.captured(2).toDouble(), m.captured(1).toDouble()))
        return false;
    const QRegularExpressionMatch v = speed.match(text);
    if (v.hasMatch()) {
        const double mps = v.captured(1).toDouble();
        if (mps >= 0.0 && mps < 1.0e4)
            s->speed = qRound(mps * 3.6);
    }
    return true;
}

LayoutResult readTrack(ByteSource &src, const DataTrack &t)
{
    TrackSamples track(src, t);
    AssistInfoList samples;
    bool marked = false;
    for (quint32 id = 1; id <= track.count() && samples.size() < kMaxSamples; ++id) {
        if (!marked && id > kProbeCues)
            return LayoutResult{};
        QByteArray bytes;
        qint64 start = 0, duration = 0;
        if (!track.read(id, &bytes, &start, &duration, kMaxCue))
            continue;
        const QString text = QString::fromLatin1(cueText(bytes));
        if (!text.contains(QLatin1String("GPS (")))
            continue;
        marked = true;
        AssistInfo s = emptySample(start);
        if (readCue(text, &s))
            appendOrdered(&samples, s);
    }
    if (!marked)
        return LayoutResult{};
    deriveCourses(&samples);
    return makeResult(85, samples);
}

} // namespace

LayoutResult readDjiTextTrack(ByteSource &src, const ReadContext &ctx)
{
    for (const DataTrack &t : findDataTracks(src, ctx)) {
        if (t.handler != "sbtl" && t.handler != "text" && t.handler != "subt")
            continue;
        LayoutResult r = readTrack(src, t);
        if (r.status != ReadStatus::None)
            return r;
    }
    return LayoutResult{};
}
