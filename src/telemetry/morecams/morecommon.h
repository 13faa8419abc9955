#pragma once

// Pieces shared by the readers of this folder.

#include "assistinfo.h"
#include "bytesource.h"

class Mp4AtomTree;

#include <QByteArray>
#include <QVector>

namespace morecams {

// A box or trailer part bigger than this is damage, not the telemetry of one recording (a day of
// 10 Hz GPS with 100 Hz accelerometer records stays far below).
constexpr qint64 kMaxPart = 32ll << 20;

// One accelerometer reading, in g, at its own time.
struct GReading
{
    qint64 timeMs = 0;
    double x = 0.0, y = 0.0, z = 0.0;
};

// Layouts that sample G faster than position: each sample gets the mean of the readings from its
// time up to the next sample's (readings before the first sample count for the first). Without
// any sample the readings become samples of their own. Readings need not be in order.
void attachGReadings(AssistInfoList *samples, QVector<GReading> readings);

// The payload of a box when it is no larger than kMaxPart and wholly in the file; empty otherwise.
QByteArray boxPayload(ByteSource &src, const BoxHeader &box);

// When the movie was made by the camera's clock (mvhd), in ms since 1970; -1 when unset. Layouts
// that time their records only from the start of the recording date them from this.
qint64 movieCreationMs(ByteSource &src, const Mp4AtomTree &tree);

} // namespace morecams
