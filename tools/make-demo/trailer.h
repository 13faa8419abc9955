#pragma once

#include "drive.h"

#include <QByteArray>
#include <QDateTime>
#include <QVector>

// The telemetry tail of the "TORVEN" camera layout, appended after the MP4 data:
//
//   16 bytes   head: big-endian size of the whole tail, "free", "gpsinfo\0"
//   N x 132    one NUL-padded text record per second
//   28 bytes   trailer: "&GPS", the tail size as four upper-case hex digits, "V1.0", eight
//              zero bytes, and the camera tag "TORVEN53" that ends the file
//
// The head makes the tail a valid MP4 "free" box, so players skip it like any padding, and the
// tail size (16 + N*132 + 28) is what the trailer's hex length announces: the reader finds the
// records as the length minus 44 bytes before the trailer.
namespace trailer {

constexpr int kRecordSize = 132;
constexpr int kHeadSize = 16;
constexpr int kTrailerSize = 28;
// Four hex digits: 0xFFFF - 44 leaves room for 496 records, a little over eight minutes.
constexpr int kMaxRecords = (0xFFFF - kHeadSize - kTrailerSize) / kRecordSize;

// One record: ";"-separated fields, G values in 1/1024 g, positions as degrees, whole minutes
// and 1/100000 minutes with their hemisphere letters, speed in km/h, course in degrees.
QByteArray record(const DriveSample &sample, int index, const QDateTime &time);

// The whole tail for the samples (at most kMaxRecords; returns empty beyond that).
QByteArray tail(const QVector<DriveSample> &samples, const QDateTime &start);

} // namespace trailer
