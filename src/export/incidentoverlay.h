#pragma once

#include "assistinfo.h"

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>

enum class SpeedUnit { KilometresPerHour, MilesPerHour };

// The two lines burned into an incident clip for one second: date and time, speed, position and
// G values. sample may be null (no telemetry for that second); at may be invalid (no clock).
QString incidentOverlayText(const AssistInfo *sample, const QDateTime &at, SpeedUnit unit);

// An ASS subtitle script for the span [spanStartMs, spanEndMs) of samples timed from
// recordingStart: one event per second of the clip (the last one cut at the span's end), drawn
// bottom left on an opaque box so it stays legible on any picture. frame is the size of the
// picture the script is burned into (its PlayRes), so sizes are in output pixels.
QByteArray buildIncidentSubtitles(const AssistInfoList &samples, const QDateTime &recordingStart,
                                  qint64 spanStartMs, qint64 spanEndMs, SpeedUnit unit,
                                  const QSize &frame);
