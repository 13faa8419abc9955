#pragma once

#include "assistinfo.h"

#include <QByteArray>
#include <QString>

// The two output formats of zevidud-telemetry, as plain functions of the loaded samples.

// Header line "# device=D gpsLength=G samples=N", the column line, then one line per sample.
QByteArray formatSamplesText(int device, int gpsLength, const AssistInfoList &samples);

// A GPX 1.1 document with one track of the samples that have a position; speed, course and the
// G values ride along as extensions.
QByteArray formatSamplesGpx(const QString &trackName, const AssistInfoList &samples);

// Whether a sample carries a usable position: both coordinates parse, neither is 0 (which
// means "no position" to every consumer) and both lie on the globe.
bool hasPosition(const AssistInfo &info, double *latitude = nullptr, double *longitude = nullptr);
