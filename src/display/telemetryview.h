#pragma once

#include "assistinfo.h"

#include <QVector>

// Where the telemetry of a recording meets the playback clock: which sample belongs to a moment
// of playback, and where samples and cursor sit on the graph's key axis. Plain functions: the
// window keeps a Timeline per load and asks these at each report of the player.
//
// Samples are found by their time, never by their place in the list, so a second without a fix
// leaves a gap instead of shifting every later sample.
namespace TelemetryView {

// First layout code of the layouts recognised after the chip layouts.
constexpr int firstLaterLayoutCode = 10;

struct Timeline
{
    qint64 coverMs = 1000;     // how long a sample stays on screen: the usual spacing
    qint64 leadMs = 250;       // how early a sample may come and still count for a moment
};

// Once per load. The usual spacing of the samples decides how long one covers: exactly its slot,
// so a missing sample leaves its slot empty, with a quarter of a slot of slack for samples a
// little off their beat (times from a GPS clock).
Timeline timelineFor(const AssistInfoList &samples);

// The curves of the graph: one point per sample at its time in seconds, whatever the layout's
// sample rate (the key axis is the playback time, 0..duration). With onlyRecordedG
// the samples that carry no G values are left out instead of drawn as 0 g.
struct Series
{
    QVector<double> keys, x, y, z;
};
Series graphSeries(const AssistInfoList &samples, bool onlyRecordedG);

enum class Shown {
    Sample,  // a sample covers the moment
    Gap,     // within the telemetry, but no sample there: labels show no value, marker stays
    PastEnd, // after the last sample's cover: everything keeps what it showed
    Nothing, // no samples at all
};

struct Moment
{
    Shown shown = Shown::Nothing;
    int index = -1;        // the sample, for Shown::Sample
    double cursorKey = 0;  // the playback time in seconds (for Sample and Gap)
};

// What to show at playback time ms.
Moment momentAt(const AssistInfoList &samples, const Timeline &timeline, qint64 ms);

// Whether the G labels show a sample's values: layouts that carry no G values show none, except
// the chip layouts, whose labels read 0 g for such samples as they always have.
bool showsGValues(const AssistInfo &sample, int layoutCode);

} // namespace TelemetryView
