#pragma once

#include "assistinfo.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// One track of a route: a clip, or one recording of a drive. Sample times (timeMs) count from
// start. Points carry the UTC moment of their sample (AssistInfo::utcMs), else one worked out
// from the GPS time of the samples beside them, else the camera's clock: start, which is the
// camera's clock at the track's first moment as its file name says (invalid when the name says
// nothing; never the file's modification time).
struct RouteTrack
{
    QString name;
    QDateTime start;
    AssistInfoList samples;
};

enum class RouteFormat { Gpx, Kml, Csv };

// The format a file name asks for by its suffix (gpx, kml, csv, any case); ok says whether it
// was one of them.
RouteFormat routeFormatForFile(const QString &fileName, bool *ok = nullptr);
// Suffix of a route file without the dot: "gpx", "kml", "csv".
QString routeFileSuffix(RouteFormat format);

// GPX 1.1: one trk per track; a run of samples without a fix ends a trkseg, the next fix starts
// a new one. Speed (km/h), course and G values go in an extension of our own namespace.
QByteArray formatRouteGpx(const QList<RouteTrack> &tracks, const QString &creator);
// KML 2.2: a Folder per track holding one Placemark per run of fixed samples (a LineString, or a
// Point for a run of one); coordinates are written lon,lat. A run whose samples are all placed
// in time is a gx:Track instead, each point with its <when> (a Point with a TimeStamp).
QByteArray formatRouteKml(const QList<RouteTrack> &tracks);
// CSV after RFC 4180 (CRLF, quoted fields where needed): a header line, then every sample of
// every track, with empty position fields where the sample has no fix, an empty utc where
// nothing placed the sample in time, and the clock that did ("gps", "camera").
QByteArray formatRouteCsv(const QList<RouteTrack> &tracks);
QByteArray formatRoute(RouteFormat format, const QList<RouteTrack> &tracks);

// Writes the route to path in one piece (see writeWholeFile). On failure returns false with a
// translated message (context "RouteExport") in errorMessage.
bool writeRouteFile(const QString &path, RouteFormat format, const QList<RouteTrack> &tracks,
                    QString *errorMessage = nullptr);

// The header the CSV writer puts first; readers of our CSV find columns by these names.
QStringList routeCsvHeader();
// RFC 4180: a field holding a comma, a quote or a line break goes in quotes, its quotes doubled;
// every other field as it is.
QString csvField(const QString &text);
