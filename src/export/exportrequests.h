#pragma once

#include "drive.h"
#include "incidentclipjob.h"
#include "routeexport.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the window hands to the exporters: the route of a clip or a drive, and the incident clip
// of a span of drive time. Plain functions of the Drive model, so the window holds no arithmetic.

// The route of one recording: one track named after its file, starting at the recording's
// wall-clock start (no time of day when the start is unknown), sample times from that start.
// Empty for a clip index out of range.
QList<RouteTrack> routeTracksForClip(const Drive &drive, int clip);
// The route of the whole drive: one track per recording that has samples, in drive order.
QList<RouteTrack> routeTracksForDrive(const Drive &drive);

// A file name (no folder) for the route of a clip, or of the whole drive when clip is -1:
// "route_20261207_080000.gpx" / "drive_20261207_080000.gpx" from the recording's start, which
// our own recording-time reader understands again; without a start, the recording's base name
// with "_route" or "_drive".
QString suggestedRouteFileName(const Drive &drive, int clip, RouteFormat format);
// A file name (no folder) for an incident clip starting at fromDriveMs:
// "incident_20261207_080002.mp4", or the recording's base name with "_incident" and the second
// into it when the start is unknown.
QString suggestedIncidentFileName(const Drive &drive, qint64 fromDriveMs);

// A stretch of drive time [fromMs, toMs).
struct IncidentSpan
{
    qint64 fromMs = 0;
    qint64 toMs = 0;
    bool isEmpty() const { return toMs <= fromMs; }
    qint64 durationMs() const { return isEmpty() ? 0 : toMs - fromMs; }
};

// The length of a span the user asks for with a single key: 15 s either side of a moment.
constexpr qint64 kIncidentHalfSpanMs = 15000;

// halfMs either side of nowMs, cut at the drive's start and end (not shifted: the moment stays
// where the user saw it; a span at the very start is just shorter).
IncidentSpan incidentSpanAround(qint64 nowMs, qint64 driveDurationMs,
                                qint64 halfMs = kIncidentHalfSpanMs);

// The in and out marks the user sets with keys while playing, in drive time.
//
// Marks are kept as they were set, and the span runs from the earlier to the later one. Users set
// them in either order (find the crash, press "out", scrub back, press "in"; or step back past an
// earlier mark): both are moments they picked, so the stretch between them is what they mean.
// Refusing a key in such a moment helps nobody, and swapping never loses a mark. With only one
// mark, the span has the usual length (2 x kIncidentHalfSpanMs) from "in" or up to "out". Both
// are cut to the drive.
// A new drive starts with clear().
class IncidentMarks
{
public:
    void setIn(qint64 driveMs) { m_in = qMax<qint64>(0, driveMs); }
    void setOut(qint64 driveMs) { m_out = qMax<qint64>(0, driveMs); }
    void clear() { m_in = m_out = -1; }
    bool hasIn() const { return m_in >= 0; }
    bool hasOut() const { return m_out >= 0; }
    qint64 inMs() const { return m_in; }
    qint64 outMs() const { return m_out; }
    // Empty when no mark is set or both marks fall on the same moment.
    IncidentSpan span(qint64 driveDurationMs) const;

private:
    qint64 m_in = -1;
    qint64 m_out = -1;
};

// The incident clip of [fromDriveMs, toDriveMs) (cut to the drive): every channel the recordings
// of the span share, each as one piece per recording in that recording's own time (a span across
// a clip boundary has several pieces); the samples of the span in drive time (with the sample
// still showing at the span's start), and recordingStart set so that recordingStart + drive time
// is the camera's clock at the span's start. layoutNames gives, per recording of the drive, the
// telemetry layout its samples were read with; it goes to the manifest with the recording's own
// channel (partner files were not read). A channel missing from one recording of the span is
// left out (it could not fill the span). An empty span gives a request without channels, which
// the job refuses.
IncidentClipRequest incidentRequestFor(const Drive &drive, qint64 fromDriveMs, qint64 toDriveMs,
                                       ClipLayout layout, SpeedUnit unit, const QString &outputPath,
                                       const QStringList &layoutNames = QStringList());
