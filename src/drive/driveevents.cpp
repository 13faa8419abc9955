#include "driveevents.h"

#include "drive.h"
#include "drivegrouping.h"
#include "recordingtime.h"

#include <QDir>
#include <QFileInfo>

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

bool isCameraEventRecording(const QString &path)
{
    const QFileInfo info(path);
    if (info.dir().dirName().compare(QLatin1String("Event"), Qt::CaseInsensitive) == 0)
        return true;
    const QString stem = info.completeBaseName();
    const QString channel = channelOfName(info.fileName());
    // "_E" plus the channel letter ends the name; a name without a channel letter ends in "_E".
    // Only after a recording time, so that a word ending a name is no mark.
    const QString mark = QStringLiteral("_E") + channel;
    return stem.endsWith(mark) && recordingTimeFromName(info.fileName()).isValid();
}

QList<qint64> cameraEvents(const Drive &drive)
{
    QList<qint64> starts;
    for (const DriveRecording &r : drive.recordings())
        if (isCameraEventRecording(r.path()))
            starts.append(r.offsetMs);
    return starts;
}
