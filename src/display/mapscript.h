#pragma once

#include "assistinfo.h"

#include <QString>
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

} // namespace MapScript
