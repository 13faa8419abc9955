#pragma once

#include "assistinfo.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// Script calls for the map page, built from telemetry samples.
//
// Positions are the samples' numbers (the readers parse and validate them), written as JavaScript
// numbers: no text from a recording is ever pasted into a script.
namespace MapScript {

// A position of a sample, in decimal degrees.
struct Position
{
    double latitude = 0.0;
    double longitude = 0.0;
};

// The sample's position, or nothing when it has no fix or its numbers are not a place on the
// earth (not finite, beyond 90 or 180 degrees). 0 is a place: the equator, Greenwich.
std::optional<Position> samplePosition(const AssistInfo &sample);

// A coordinate as a JavaScript number literal.
QString jsNumber(double value);

// "drawPolyLinePath([[lat,lon],[lat,lon],])" with every sample that has a position, in order;
// an empty text for an empty list (no route is sent for a recording without telemetry).
QString routeScript(const AssistInfoList &samples);

// "updateMarkerPosition1(lat,lon)", or an empty text when the sample has no position, so the
// marker stays where it was.
QString markerScript(const AssistInfo &sample);

// The unit of the route's speed colours and legend (the "speed" setting: 0 km/h, else mph).
enum class SpeedUnit { Kmh = 0, Mph = 1 };

// One point of a drive's route, in drive time.
struct RoutePoint
{
    Position position;
    double speed = 0.0;   // in the route's unit
    qint64 driveMs = 0;
    int clip = -1;        // the recording the sample comes from
    bool startsRun = false; // nothing joins it to the point before
};

// Two fixes further apart than this are not joined by a line: time is missing in between.
constexpr qint64 routeGapMs = 5000;
// Points per driveRouteAdd call: a 4-hour drive at one point a second goes in 15 calls, each
// far under the 100 ms a script may hold the page.
constexpr int routePointsPerCall = 1000;

// The route points of a drive's samples (Drive::samples(), in drive time) with the recording of
// each (Drive::sampleClips()). Samples without a position or without a time are left out; the
// point after them starts a new run, as does one more than maxGapMs after the fix before it.
QVector<RoutePoint> routePoints(const AssistInfoList &samples, const QVector<int> &sampleClips,
                                SpeedUnit unit, qint64 maxGapMs = routeGapMs);

// The scripts that draw a whole drive's route: "driveRouteBegin(unit)", then
// "driveRouteAdd([...])" with at most pointsPerCall points of six numbers each (latitude,
// longitude, speed, drive ms, clip, 1 when it starts a run else 0), then "driveRouteEnd()",
// which fits the map to the route. Empty when no sample has a position.
QStringList driveRouteScripts(const QVector<RoutePoint> &points, SpeedUnit unit,
                              int pointsPerCall = routePointsPerCall);
QStringList driveRouteScripts(const AssistInfoList &samples, const QVector<int> &sampleClips,
                              SpeedUnit unit, int pointsPerCall = routePointsPerCall);

// "driveRouteClip(n)": the part of the route recorded by recording n is emphasised.
QString routeClipScript(int clip);
// Fits the map to a rectangle of the earth (degrees); "" for an invalid box.
QString fitAreaScript(double south, double west, double north, double east);

// "driveEventMarks([lat,lon,ms,...])": a mark for each event time (drive ms) at the position of
// the sample nearest to it in time, at most maxDistanceMs away; events without one get no mark.
// An empty list clears the marks. samples must be in time order (Drive::samples()).
QString eventMarksScript(const AssistInfoList &samples, const QList<qint64> &eventsMs,
                         qint64 maxDistanceMs = 2000);

// "setFollowCar(true|false)".
QString followCarScript(bool follow);
// "setFollowTitle(\"...\")": the follow button's tooltip, our own text as a JSON string.
QString followTitleScript(const QString &tooltip);
// "setTileNote(\"...\")": the note the map shows while its tiles fail to load, as a JSON string.
QString tileNoteScript(const QString &text);

// "useTileSource(0,17)" for OpenStreetMap, "useTileSource(1,maxZoom)" for local tiles.
QString tileSourceScript(bool local, int maxZoom);

} // namespace MapScript
