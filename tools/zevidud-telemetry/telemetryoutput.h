#pragma once

#include "assistinfo.h"

#include <QByteArray>
#include <QString>

// The two output formats of zevidud-telemetry, as plain functions of the loaded samples.

// Header line "# device=D gpsLength=G samples=N" (D: the layout code), the column line, then one
// line per sample; text fields with a comma, quote or line break are quoted as RFC 4180 says.
QByteArray formatSamplesText(int device, int gpsLength, const AssistInfoList &samples);

// A GPX 1.1 document with one track of the samples that have a position; speed, course and the
// G values ride along as extensions.
QByteArray formatSamplesGpx(const QString &trackName, const AssistInfoList &samples);

// Whether a sample carries a usable position: the reader saw a fix (0 degrees is a place: the
// equator, Greenwich) and both numbers lie on the globe.
bool hasPosition(const AssistInfo &info, double *latitude = nullptr, double *longitude = nullptr);
