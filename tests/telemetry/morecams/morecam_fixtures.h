#pragma once

// One recording of each further camera layout (src/telemetry/morecams), written byte by byte from
// known values, with what its reader must give back. Routes and MP4 structure come from
// realcam_fixtures and mp4_fixtures.

#include "assistinfo.h"
#include "layoutreader.h"
#include "realcam_fixtures.h"

#include <QByteArray>
#include <QList>
#include <QVector>

namespace mcfx {

using rcfx::Fix;

struct LayoutCase
{
    const char *name = "";
    LayoutReadFn read = nullptr;
    int code = 0;
    QList<Fix> fixes;           // the samples expected, in order (speed and course as stored)
    QByteArray bytes{};
    QByteArray marksOnly{};     // the layout's marks around no usable sample: Damaged, not None
    qint64 firstMs = 0;         // ms into the recording of the first sample; one a second after
    qint64 utcExtraMs = 0;      // each sample's moment: its fix's second plus this
    AssistInfo::Clock clock = AssistInfo::Clock::None; // None: no moment at all
    double tolerance = 1e-9;    // degrees: what the layout's encoding keeps
    double courseTolerance = 1e-6;
    bool courseStored = true;   // false: derived from the move
    QVector<QVector<double>> g{}; // mean G of each sample; empty when the layout has none
    bool exiftoolSkipsLast = false; // ExifTool stops one record short of a chunk's end
};
QList<LayoutCase> layoutCases();

} // namespace mcfx
