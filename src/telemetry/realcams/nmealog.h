#pragma once

// NMEA text logs with optional "[ms]" camera-clock prefixes and $GSENSOR lines, and the 10-byte
// accelerometer records of BlackVue: found beside recordings as files and inside them as boxes.

#include "assistinfo.h"

#include <QByteArray>
#include <QVector>

namespace realcams {

// One sample per RMC (per GGA in logs without RMC). Lines with "[ms]" prefixes are placed against clipStartMs (the clip's own
// clock, -1 when unknown) when they fit it, otherwise against their first prefix; other logs are
// timed by the RMC clock from their first sentence. $GSENSOR / $GSENSORD lines give G values to
// the RMC before them. UTC: the RMC date and time (GPS clock); without them the "[ms]" prefix,
// which is the camera's clock.
AssistInfoList readNmeaLog(const QByteArray &bytes, qint64 clipStartMs);

struct GRecord
{
    qint64 timeMs;
    float x, y, z;
};
// 10-byte big-endian records: ms since the clip started, three axes in 1/128 g; an all-ones
// time ends them.
QVector<GRecord> read3gf(const QByteArray &bytes);
// Each sample takes the G record nearest to it in time, when one lies within half a second.
void joinG(AssistInfoList *samples, const QVector<GRecord> &g);
// G records alone as samples.
AssistInfoList gOnly(const QVector<GRecord> &g);

} // namespace realcams
