#pragma once

#include "assistinfo.h"

class Drive;

// Distances and extents of routes on the earth, for telling journeys apart and for choosing what
// the map shows.

// Whether the sample holds a place on the earth: a fix with finite numbers within 90 and 180
// degrees (readers of damaged files may give anything).
bool isFix(const AssistInfo &sample);

// Great-circle distance in metres between two points in decimal degrees.
double distanceMetres(double lat1, double lon1, double lat2, double lon2);

// The smallest latitude/longitude rectangle around some fixes. A route that crosses the 180th
// meridian gets a box around the whole earth's width, which only makes it look larger.
struct GeoBox
{
    bool valid = false; // false until the first point
    double south = 0.0, west = 0.0, north = 0.0, east = 0.0;

    void add(double lat, double lon);
    // The longer of its width (at its middle latitude) and its height, in metres.
    double spanMetres() const;
    // The box grown about its centre until its span is at least metres.
    GeoBox atLeast(double metres) const;
};

// The box of the samples that have a fix.
GeoBox routeBox(const AssistInfoList &samples);
// The box of the fixes that recording clip of drive contributes to drive.samples().
GeoBox clipRouteBox(const Drive &drive, int clip);

// What the map fits itself to while a drive plays.
struct MapFocus
{
    bool onClip = false; // the playing recording's route, not the whole drive's
    GeoBox box;          // the rectangle to fit; invalid when there is no route to show
};

// A map of a few hundred pixels shows streets only down to about usefulSpanMetres across; a
// drive longer than that (a motorway journey of hours) would shrink the recording playing to a
// few pixels. Then the map fits the recording's own route, at least minClipSpanMetres across (a
// car standing still has a route of a point), unless that route is itself more than half the
// drive, where the drive's view shows it just as well. A recording without fixes leaves the map
// on the drive.
MapFocus mapFocus(const GeoBox &drive, const GeoBox &clip, double usefulSpanMetres = 20000.0,
                  double minClipSpanMetres = 500.0);
// The same for recording clip of drive (the window calls this when the recording playing or the
// drive's route changes).
MapFocus mapFocus(const Drive &drive, int clip);
