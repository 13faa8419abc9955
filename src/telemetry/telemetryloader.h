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
    bool fromMp4Track = false;  // samples came from the MP4 track reader and are not empty
    AssistInfoList samples;     // in file order; empty for unknown layouts and on failure
    int readerCount = 0;        // what the reader returned (-1 on open failure), 0 without one
};

// Detects the layout of the recording at path and runs its reader. mp4Reader serves recordings
// whose telemetry is an MP4 track; with null a temporary one is used. Synchronous; nothing is
// kept between calls.
TelemetryLoad loadTelemetry(const QString &path, mp4v2ParseFile *mp4Reader);
// The same over an open source (fuzzing, benchmarks); path is for the log only.
TelemetryLoad loadTelemetry(ByteSource &src, mp4v2ParseFile *mp4Reader,
                            const QString &path = QString());
