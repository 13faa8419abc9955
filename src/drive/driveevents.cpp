#include "driveevents.h"

#include "drive.h"

#include <algorithm>
#include <cmath>

QList<qint64> gSensorEvents(const AssistInfoList &samples, double thresholdG, qint64 mergeMs,
                            qint64 gapMs)
{
    QList<qint64> events;
    double strongest = 0.0; // of the event being built (the last one in events)
    qint64 lastPeakMs = 0;
    for (int i = 1; i < samples.size(); ++i) {
        const AssistInfo &a = samples.at(i - 1);
        const AssistInfo &b = samples.at(i);
        if (!a.hasGSensor || !b.hasGSensor || a.timeMs < 0 || b.timeMs - a.timeMs > gapMs)
            continue;
        const double dx = double(b.x) - double(a.x);
        const double dy = double(b.y) - double(a.y);
        const double dz = double(b.z) - double(a.z);
        const double change = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (!(change > thresholdG))
            continue;
        if (!events.isEmpty() && b.timeMs - lastPeakMs < mergeMs) {
            if (change > strongest) {
                events.last() = b.timeMs;
                strongest = change;
            }
        } else {
            events.append(b.timeMs);
            strongest = change;
        }
        lastPeakMs = b.timeMs;
    }
    return events;
}

qint64 nextEvent(const QList<qint64> &events, qint64 fromMs)
{
    const auto it = std::upper_bound(events.cbegin(), events.cend(), fromMs);
    return it == events.cend() ? -1 : *it;
}

qint64 previousEvent(const QList<qint64> &events, qint64 fromMs, qint64 graceMs)
{
    const auto it = std::lower_bound(events.cbegin(), events.cend(), fromMs - graceMs);
    return it == events.cbegin() ? -1 : *(it - 1);
}

QList<qint64> eventsInClip(const Drive &drive, const QList<qint64> &events, int clip)
{
    QList<qint64> inClip;
    if (clip < 0 || clip >= drive.recordingCount())
        return inClip;
    const DriveRecording &r = drive.recording(clip);
    const auto first = std::lower_bound(events.cbegin(), events.cend(), r.offsetMs);
    for (auto it = first; it != events.cend() && *it < r.offsetMs + r.durationMs; ++it)
        inClip.append(*it - r.offsetMs);
    return inClip;
}
