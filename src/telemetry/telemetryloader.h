#pragma once

#include "assistinfo.h"
#include "devicedetect.h"

#include <QString>

class ByteSource;
class mp4v2ParseFile;

// Everything one telemetry load tells the window about a recording.
struct TelemetryLoad
{
    DeviceType device = DeviceUnknown;
    int gpsLength = 0;          // "moov.gps .length" of the file, 0 without such a box
    AssistInfoList samples;     // in time order, each timed; empty without telemetry
    int readerCount = 0;        // what the chip reader returned (-1 on open failure), 0 without one
    // The layout the samples come from: the chip detection's code (== device) when its reader
    // gave them, else the code of the real-camera reader that found them (10 and up); the
    // detection's code when nothing was found.
    int layoutCode = 0;
    QString layoutName;
    // Set when the file could not be read at all (not a regular file, missing, no permission).
    QString error;
};

// Detects the chip layout of the recording at path, then runs the layout table (layouttable.h):
// the detected chip layout's reader first; when that gives no sample with a position, the
// real-camera readers in the order of the table. mp4Reader serves recordings
// whose telemetry is an MP4 track; with null a temporary one is used. Synchronous; nothing is
// kept between calls.
TelemetryLoad loadTelemetry(const QString &path, mp4v2ParseFile *mp4Reader);
// The same over an open source (fuzzing, benchmarks); path is for the log only.
TelemetryLoad loadTelemetry(ByteSource &src, mp4v2ParseFile *mp4Reader,
                            const QString &path = QString());
