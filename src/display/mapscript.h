#pragma once

#include "assistinfo.h"

#include <QString>
#include <optional>

// Script calls for the map page, built from telemetry samples.
//
// Coordinates arrive as text from recording files. They are never pasted into a script as they
// stand: each is read as a decimal number and written back as a JavaScript number, so file text
// cannot run as script and texts such as "05.50160" (not a valid JavaScript literal) still work.
namespace MapScript {

// A position of a sample, in decimal degrees.
struct Position
{
    double latitude = 0.0;
    double longitude = 0.0;
};

// The sample's position, or nothing when either coordinate is empty, not a decimal number,
// zero (cameras write "0" when they have no fix), or outside the range of the earth.
std::optional<Position> samplePosition(const AssistInfo &sample);

// A coordinate as a JavaScript number literal.
QString jsNumber(double value);

// "drawPolyLinePath([[lat,lon],[lat,lon],])" with every sample that has a position, in order;
// an empty text for an empty list (no route is sent for a recording without telemetry).
QString routeScript(const AssistInfoList &samples);

// "updateMarkerPosition1(lat,lon)", or an empty text when the sample has no position, so the
// marker stays where it was.
QString markerScript(const AssistInfo &sample);

} // namespace MapScript
