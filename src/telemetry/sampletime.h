#pragma once

#include "assistinfo.h"

// Finding the sample that belongs to a moment of playback. Samples are timed (timeMs >= 0) and
// in time order; a moment between two samples belongs to the earlier one, unless the gap to the
// next is so long that samples are missing there (a second without a fix shows nothing instead
// of the last position).

// The usual distance between neighbouring samples (the median), in ms; 1000 when fewer than two
// samples are timed.
qint64 typicalSampleSpacingMs(const AssistInfoList &samples);

// Index of the sample shown at time ms, or -1 when no sample covers that moment. A sample covers
// [its time, next sample's time), but never more than coverMs (use 1.5 x the typical spacing,
// see sampleCoverMs); the last sample covers coverMs.
int sampleIndexAtTime(const AssistInfoList &samples, qint64 ms, qint64 coverMs);

// How long one sample stays on screen when the next one is missing.
inline qint64 sampleCoverMs(qint64 typicalSpacingMs)
{
    return typicalSpacingMs + typicalSpacingMs / 2;
}

// Gives every timed sample without a UTC moment one where the recording allows it: from the
// GPS time of its other samples (the nearest earlier one's offset from the recording's time,
// else the nearest later one's), marked as GPS time; without any GPS time, from cameraStartMs
// (the camera's clock at the recording's start, from its file name; -1 when unknown), marked
// as the camera's. Samples that have a UTC moment keep it.
void completeUtc(AssistInfoList *samples, qint64 cameraStartMs);
