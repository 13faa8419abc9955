#include "exportrequests.h"

#include "drivegrouping.h"
#include "recordingtime.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

QDateTime wallClock(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

// Recording starts of 0 mean "unknown" throughout the drive model (LibraryEntry::startMs).
QDateTime recordingStart(const DriveRecording &recording)
{
    return recording.startMs != 0 ? wallClock(recording.startMs) : QDateTime();
}

QString stamp(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

// Channels of two recordings are matched by their letter: a recording whose middle camera
// failed lists [A, C], and C must not be glued behind the other recordings' B. The drive's own
// channel is first in every recording; partners without a letter are matched by position.
QString channelKey(const DriveRecording &recording, int index)
{
    if (index == 0)
        return QStringLiteral("own");
    const QString letter = channelOfName(QFileInfo(recording.channels.at(index)).fileName());
    return letter.isEmpty() ? QStringLiteral("#%1").arg(index) : letter;
}

int channelIndex(const DriveRecording &recording, const QString &key)
{
    for (int i = 0; i < recording.channels.size(); ++i)
        if (channelKey(recording, i) == key)
            return i;
    return -1;
}

} // namespace

namespace {

// The camera's clock for points the GPS did not time comes from the file name only: a file's
// modification time says when it was copied, not when it was filmed.
RouteTrack emptyTrack(const DriveRecording &recording)
{
    const QString name = QFileInfo(recording.path()).fileName();
    return RouteTrack{name, recordingTimeFromName(name), {}};
}

} // namespace

QList<RouteTrack> routeTracksForClip(const Drive &drive, int clip)
{
    if (clip < 0 || clip >= drive.recordingCount())
        return {};
    const DriveRecording &recording = drive.recording(clip);
    RouteTrack track = emptyTrack(recording);
    const AssistInfoList &samples = drive.samples();
    const QVector<int> &clips = drive.sampleClips();
    for (int i = 0; i < samples.size(); ++i) {
        if (clips.at(i) != clip)
            continue;
        AssistInfo s = samples.at(i);
        s.timeMs -= recording.offsetMs; // back to the recording's own time
        track.samples.append(s);
    }
    return {track};
}

QList<RouteTrack> routeTracksForDrive(const Drive &drive)
{
    // One pass over the drive's samples: a drive of a day has hundreds of recordings.
    QList<RouteTrack> perClip;
    for (const DriveRecording &recording : drive.recordings())
        perClip << emptyTrack(recording);
    const AssistInfoList &samples = drive.samples();
    const QVector<int> &clips = drive.sampleClips();
    for (int i = 0; i < samples.size(); ++i) {
        const int clip = clips.at(i);
        AssistInfo s = samples.at(i);
        s.timeMs -= drive.recording(clip).offsetMs;
        perClip[clip].samples.append(s);
    }
    QList<RouteTrack> tracks;
    for (const RouteTrack &track : qAsConst(perClip))
        if (!track.samples.isEmpty())
            tracks << track;
    return tracks;
}

QString suggestedRouteFileName(const Drive &drive, int clip, RouteFormat format)
{
    const bool wholeDrive = clip < 0;
    const QString kind = wholeDrive ? QStringLiteral("drive") : QStringLiteral("route");
    const QString suffix = QLatin1Char('.') + routeFileSuffix(format);
    const int first = wholeDrive ? 0 : clip;
    if (first >= drive.recordingCount())
        return kind + suffix;
    const DriveRecording &recording = drive.recording(first);
    const QDateTime start = recordingStart(recording);
    if (start.isValid())
        return kind + QLatin1Char('_') + stamp(start) + suffix;
    return QFileInfo(recording.path()).completeBaseName() + QLatin1Char('_') + kind + suffix;
}

QString suggestedIncidentFileName(const Drive &drive, qint64 fromDriveMs)
{
    const QString suffix = QStringLiteral(".mp4");
    const ClipPosition at = drive.driveToClip(fromDriveMs);
    if (at.clip < 0)
        return QStringLiteral("incident") + suffix;
    const DriveRecording &recording = drive.recording(at.clip);
    if (recording.startMs != 0)
        return QStringLiteral("incident_") + stamp(wallClock(recording.startMs + at.clipMs))
               + suffix;
    return QFileInfo(recording.path()).completeBaseName()
           + QStringLiteral("_incident_%1s").arg(at.clipMs / 1000) + suffix;
}

IncidentSpan incidentSpanAround(qint64 nowMs, qint64 driveDurationMs, qint64 halfMs)
{
    const qint64 end = qMax<qint64>(0, driveDurationMs);
    const qint64 now = qBound<qint64>(0, nowMs, end);
    const qint64 half = qMax<qint64>(0, halfMs);
    return IncidentSpan{qMax<qint64>(0, now - half), qMin(end, now + half)};
}

IncidentSpan IncidentMarks::span(qint64 driveDurationMs) const
{
    const qint64 end = qMax<qint64>(0, driveDurationMs);
    const qint64 length = 2 * kIncidentHalfSpanMs;
    qint64 from = 0;
    qint64 to = 0;
    if (hasIn() && hasOut()) {
        from = qMin(m_in, m_out);
        to = qMax(m_in, m_out);
    } else if (hasIn()) {
        from = m_in;
        to = m_in + length;
    } else if (hasOut()) {
        from = m_out - length;
        to = m_out;
    } else {
        return {};
    }
    return IncidentSpan{qBound<qint64>(0, from, end), qBound<qint64>(0, to, end)};
}

IncidentClipRequest incidentRequestFor(const Drive &drive, qint64 fromDriveMs, qint64 toDriveMs,
                                       ClipLayout layout, SpeedUnit unit, const QString &outputPath,
                                       const QStringList &layoutNames)
{
    IncidentClipRequest request;
    request.layout = layout;
    request.speedUnit = unit;
    request.outputPath = outputPath;
    const qint64 end = drive.durationMs();
    const qint64 from = qBound<qint64>(0, fromDriveMs, end);
    const qint64 to = qBound<qint64>(0, toDriveMs, end);
    request.spanStartMs = from;
    request.spanEndMs = to;
    if (to <= from)
        return request;

    QList<int> recordings; // those with a part of the span, in order
    for (int clip = 0; clip < drive.recordingCount(); ++clip) {
        const DriveRecording &r = drive.recording(clip);
        if (r.durationMs > 0 && r.offsetMs < to && r.offsetMs + r.durationMs > from)
            recordings << clip;
    }
    if (recordings.isEmpty())
        return request;

    // The channels every recording of the span has, in the order of the first one.
    const DriveRecording &first = drive.recording(recordings.first());
    for (int c = 0; c < first.channels.size(); ++c) {
        const QString key = channelKey(first, c);
        ClipChannel channel;
        const QString letter = channelOfName(QFileInfo(first.channels.at(c)).fileName());
        channel.name = letter.isEmpty() ? QStringLiteral("channel %1").arg(c + 1) : letter;
        for (int clip : qAsConst(recordings)) {
            const DriveRecording &r = drive.recording(clip);
            const int index = channelIndex(r, key);
            if (index < 0) {
                channel.pieces.clear();
                break;
            }
            ClipPiece piece;
            piece.file = r.channels.at(index);
            piece.fromMs = qMax(from, r.offsetMs) - r.offsetMs;
            piece.toMs = qMin(to, r.offsetMs + r.durationMs) - r.offsetMs;
            if (index == 0)
                piece.telemetryLayout = layoutNames.value(clip);
            channel.pieces << piece;
        }
        if (!channel.pieces.isEmpty())
            request.channels << channel;
    }

    // The sample on screen at the span's start may be a little older than the start.
    const AssistInfoList &samples = drive.samples();
    const int shown = drive.sampleIndexAt(from);
    for (int i = 0; i < samples.size(); ++i) {
        const qint64 t = samples.at(i).timeMs;
        if ((t >= from && t < to) || (i == shown && t < from))
            request.samples << samples.at(i);
    }
    // The overlay's clock is recordingStart + drive time; anchored at the span's start it shows
    // the camera's own time there. Only a file name tells the camera's time: a file's
    // modification time says when it was copied.
    const ClipPosition at = drive.driveToClip(from);
    const QString name = QFileInfo(drive.recording(at.clip).path()).fileName();
    if (drive.recording(at.clip).startMs != 0 && recordingTimeFromName(name).isValid())
        request.recordingStart = wallClock(drive.wallClockMs(from) - from);
    return request;
}
