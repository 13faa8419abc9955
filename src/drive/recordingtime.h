#pragma once

#include <QDateTime>
#include <QString>

// When a recording started. Cameras write the local wall-clock time into the file name and know
// no time zone, so recording times are kept as wall-clock times in a QDateTime marked Qt::UTC:
// arithmetic on them never jumps at a daylight-saving change, and a drive across midnight is
// just a later time.

// The recording time in a file name (no folder), or an invalid QDateTime when the name holds none.
// Recognised: YYYYMMDD_HHMMSS, YYYYMMDD-HHMMSS (also after "NO" or "FILE"), YYYY_MMDD_HHMMSS,
// YYYYMMDDHHMMSS, YYYY-MM-DD-HH-MM-SS and the same with "_" or "." between the parts or a
// space/"T"/"_" between date and time, and YYMMDD_HHMMSS / YYMMDD-HHMMSS (20YY).
QDateTime recordingTimeFromName(const QString &fileName);

// The start of a recording: the time in its name, else the file's modification time (a camera
// closes the file when it stops writing) minus the duration, as local wall-clock time.
QDateTime recordingStartTime(const QString &fileName, const QDateTime &fileModified,
                             qint64 durationMs);

// Length of an MP4/MOV recording from its movie header ("moov.mvhd" duration over its time
// scale), in ms; -1 when the file has no readable movie header.
qint64 recordingDurationMs(const QString &path);
