#include "drivecontinuity.h"

#include "drive.h"
#include "drivegeo.h"

namespace {

// A moment of a recording on the clock both traces share: the GPS clock when both know it.
qint64 clockMs(const ClipTrace &t, qint64 clipMs, bool gps)
{
    return (gps ? t.gpsStartMs : t.startMs) + clipMs;
}

bool gpsFollows(const ClipTrace &before, const ClipTrace &after, qint64 maxGapMs,
                qint64 maxOverlapMs)
{
    const qint64 gap = after.gpsStartMs - (before.gpsStartMs + before.durationMs);
    return gap >= -maxOverlapMs && gap <= maxGapMs;
}

} // namespace

ClipTrace clipTraceOf(const DriveRecording &recording, const AssistInfoList &samples)
{
    ClipTrace t;
    t.read = true;
    t.startMs = recording.startMs;
    t.durationMs = recording.durationMs;
    for (const AssistInfo &s : samples) {
        // The GPS clock at the recording's start, from its first sample that the GPS timed.
        if (t.gpsStartMs < 0 && s.utcClock == AssistInfo::Clock::Gps && s.utcMs >= 0
            && s.timeMs >= 0 && s.utcMs >= s.timeMs)
            t.gpsStartMs = s.utcMs - s.timeMs;
        if (!isFix(s))
            continue;
        if (!t.hasFix) {
            t.firstLat = s.latitudeDeg;
            t.firstLon = s.longitudeDeg;
            t.firstFixMs = qMax<qint64>(0, s.timeMs);
            t.hasFix = true;
        }
        t.lastLat = s.latitudeDeg;
        t.lastLon = s.longitudeDeg;
        t.lastFixMs = qMax<qint64>(0, s.timeMs);
    }
    return t;
}

QList<ClipTrace> clipTraces(const Drive &drive)
{
    QList<ClipTrace> traces;
    traces.reserve(drive.recordingCount());
    for (int clip = 0; clip < drive.recordingCount(); ++clip)
        traces.append(drive.hasClipSamples(clip)
                          ? clipTraceOf(drive.recording(clip), drive.clipSamples(clip))
                          : ClipTrace());
    return traces;
}

bool plausibleMove(double metres, qint64 ms)
{
    return metres <= qMax(minJumpMetres, maxJourneySpeed * double(qMax<qint64>(0, ms)) / 1000.0);
}

QList<int> driveBreaks(const QList<ClipTrace> &traces, qint64 maxGapMs, qint64 maxOverlapMs)
{
    QList<int> breaks;
    int lastFix = -1; // the recording with the latest fix since the last break, -1 for none
    for (int k = 0; k < traces.size(); ++k) {
        const ClipTrace &t = traces.at(k);
        if (!t.read) {
            lastFix = -1;
            continue;
        }
        bool broken = false;
        const ClipTrace *before = k > 0 ? &traces.at(k - 1) : nullptr;
        if (before && before->read && before->gpsStartMs >= 0 && t.gpsStartMs >= 0)
            broken = !gpsFollows(*before, t, maxGapMs, maxOverlapMs);
        if (!broken && t.hasFix && lastFix >= 0) {
            const ClipTrace &f = traces.at(lastFix);
            const bool gps = f.gpsStartMs >= 0 && t.gpsStartMs >= 0;
            const double metres = distanceMetres(f.lastLat, f.lastLon, t.firstLat, t.firstLon);
            broken = !plausibleMove(metres, clockMs(t, t.firstFixMs, gps)
                                                - clockMs(f, f.lastFixMs, gps));
        }
        if (broken) {
            breaks.append(k);
            lastFix = -1;
        }
        if (t.hasFix)
            lastFix = k;
    }
    return breaks;
}

ClipRange rangeAround(const QList<int> &breaks, int recordingCount, int clip)
{
    int first = 0;
    int end = recordingCount;
    for (int b : breaks) {
        if (b <= clip) {
            first = b;
        } else {
            end = b;
            break;
        }
    }
    return {first, qMax(0, end - first)};
}
