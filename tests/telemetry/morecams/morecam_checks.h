#pragma once

// ExifTool as the independent second reading of the fixtures: every embedded document's position
// and GPSDateTime.

#include <QList>
#include <QString>

namespace mcfx {

struct EtPoint
{
    double lat = 0.0, lon = 0.0;
    qint64 utcMs = -1; // GPSDateTime read as UTC ("Z" or not); -1 when the document has none
};
// Documents of `exiftool -ee -n` that have a position, in file order. ExifTool runs in the UTC
// zone, so that times it derives from a movie's local creation time are not shifted.
QList<EtPoint> exiftoolPoints(const QString &path);

} // namespace mcfx
