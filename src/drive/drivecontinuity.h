#pragma once

#include "assistinfo.h"
#include "drivegrouping.h"

#include <QList>

class Drive;
struct DriveRecording;

// Whether the telemetry of consecutive recordings of a drive says they are one journey. Grouping
// (drivegrouping.h) knows only names and file times; a camera's GPS knows better: two cameras of
// one make copied together can follow each other in time and still be half a world apart.

// What a recording's telemetry says about where and when it begins and ends.
struct ClipTrace
{
    bool read = false;     // its telemetry has been read (with or without fixes)
    qint64 startMs = 0;    // wall-clock start (DriveRecording::startMs)
    qint64 durationMs = 0;
    // The GPS clock (UTC ms since 1970) at the recording's start, -1 when no sample carries
    // GPS time.
    qint64 gpsStartMs = -1;
    bool hasFix = false;
    double firstLat = 0.0, firstLon = 0.0;
    qint64 firstFixMs = 0; // recording time of the first fix
    double lastLat = 0.0, lastLon = 0.0;
    qint64 lastFixMs = 0;
};

// The trace of a recording whose telemetry was read: samples in its own time
// (Drive::clipSamples).
ClipTrace clipTraceOf(const DriveRecording &recording, const AssistInfoList &samples);
// The traces of a drive's recordings in order; a recording not read yet has an unread trace.
QList<ClipTrace> clipTraces(const Drive &drive);

// The farthest a car gets between two fixes: 2 km in 10 s, and 2 km however short the time
// (a fix just after a tunnel or a cold start may be that far off). A faster jump is another
// journey.
constexpr double maxJourneySpeed = 200.0; // m/s
constexpr double minJumpMetres = 2000.0;
bool plausibleMove(double metres, qint64 ms);

// Where a drive of consecutive recordings falls apart: ascending indices k, each meaning that
// recording k does not go on from recording k - 1. It does not when
// - both GPS start times are known and k's does not follow k - 1's end as groupDrives asks of
//   start times (maxGapMs after it, maxOverlapMs before it), or
// - the first fix of k is not a plausibleMove from the last fix before it (recordings without a
//   fix in between are passed over, the time between the two fixes by the GPS clocks where both
//   are known, else by the recordings' starts); the break is put before k.
// Nothing is compared across a recording whose trace is unread: a drive still being read keeps
// the boundaries it cannot judge yet.
QList<int> driveBreaks(const QList<ClipTrace> &traces, qint64 maxGapMs = maxClipGapMs,
                       qint64 maxOverlapMs = maxClipOverlapMs);

// The recordings between the breaks around recording clip: the first and how many.
struct ClipRange
{
    int first = 0;
    int count = 0;
};
ClipRange rangeAround(const QList<int> &breaks, int recordingCount, int clip);
