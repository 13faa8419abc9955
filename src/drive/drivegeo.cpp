#include "drivegeo.h"

#include "drive.h"

#include <QtMath>

#include <cmath>

namespace {

constexpr double kEarthRadiusMetres = 6371000.0;
constexpr double kMetresPerDegree = kEarthRadiusMetres * M_PI / 180.0;

} // namespace

bool isFix(const AssistInfo &sample)
{
    return sample.hasPosition && std::isfinite(sample.latitudeDeg)
           && std::isfinite(sample.longitudeDeg) && std::fabs(sample.latitudeDeg) <= 90.0
           && std::fabs(sample.longitudeDeg) <= 180.0;
}

double distanceMetres(double lat1, double lon1, double lat2, double lon2)
{
    // Haversine: exact enough from metres to the antipodes.
    const double p1 = qDegreesToRadians(lat1);
    const double p2 = qDegreesToRadians(lat2);
    const double dp = p2 - p1;
    const double dl = qDegreesToRadians(lon2 - lon1);
    const double h = std::sin(dp / 2) * std::sin(dp / 2)
                     + std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * kEarthRadiusMetres * std::asin(std::sqrt(qBound(0.0, h, 1.0)));
}

void GeoBox::add(double lat, double lon)
{
    if (!valid) {
        south = north = lat;
        west = east = lon;
        valid = true;
        return;
    }
    south = qMin(south, lat);
    north = qMax(north, lat);
    west = qMin(west, lon);
    east = qMax(east, lon);
}

double GeoBox::spanMetres() const
{
    if (!valid)
        return 0.0;
    const double height = (north - south) * kMetresPerDegree;
    const double width =
        (east - west) * kMetresPerDegree * std::cos(qDegreesToRadians((north + south) / 2));
    return qMax(height, width);
}

GeoBox GeoBox::atLeast(double metres) const
{
    if (!valid || spanMetres() >= metres)
        return *this;
    const double lat = (north + south) / 2;
    const double lon = (east + west) / 2;
    const double halfLat = metres / 2 / kMetresPerDegree;
    // Near a pole a degree of longitude is no width at all: there the box keeps its longitudes.
    const double cosLat = std::cos(qDegreesToRadians(lat));
    const double halfLon = cosLat > 0.01 ? halfLat / cosLat : (east - west) / 2;
    GeoBox grown;
    grown.add(qMax(-90.0, qMin(south, lat - halfLat)), qMax(-180.0, qMin(west, lon - halfLon)));
    grown.add(qMin(90.0, qMax(north, lat + halfLat)), qMin(180.0, qMax(east, lon + halfLon)));
    return grown;
}

GeoBox routeBox(const AssistInfoList &samples)
{
    GeoBox box;
    for (const AssistInfo &s : samples)
        if (isFix(s))
            box.add(s.latitudeDeg, s.longitudeDeg);
    return box;
}

GeoBox clipRouteBox(const Drive &drive, int clip)
{
    const AssistInfoList &samples = drive.samples();
    const QVector<int> &clips = drive.sampleClips();
    GeoBox box;
    for (int i = 0; i < samples.size(); ++i)
        if (clips.at(i) == clip && isFix(samples.at(i)))
            box.add(samples.at(i).latitudeDeg, samples.at(i).longitudeDeg);
    return box;
}

MapFocus mapFocus(const GeoBox &drive, const GeoBox &clip, double usefulSpanMetres,
                  double minClipSpanMetres)
{
    const GeoBox clipView = clip.atLeast(minClipSpanMetres);
    const double driveSpan = drive.spanMetres();
    if (drive.valid && clip.valid && driveSpan > usefulSpanMetres
        && clipView.spanMetres() * 2 < driveSpan)
        return {true, clipView};
    return {false, drive};
}

MapFocus mapFocus(const Drive &drive, int clip)
{
    return mapFocus(routeBox(drive.samples()), clipRouteBox(drive, clip));
}
