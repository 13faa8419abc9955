#pragma once

// Independent second readings of fixtures: ExifTool's decoding and ffprobe's track list.

#include "assistinfo.h"
#include "layoutreader.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>

namespace rcfx {

bool haveTool(const QString &name);

// The fixes ExifTool reports with -ee -n (GPSLatitude/GPSLongitude/GPSSpeed of every embedded
// document, in file order). speed is as ExifTool reports it (its unit differs per layout).
struct EtFix
{
    double lat = 0.0, lon = 0.0, speed = -1.0;
};
QList<EtFix> exiftoolFixes(const QString &path);

// ffprobe's streams: codec_type and handler (its "handler_name" is not the handler type, so the
// comparison is on codec_type: "data" or "subtitle" for metadata tracks) and nb_frames.
struct ProbedTrack
{
    QString codecType;
    QString codecTag; // the sample entry as ffprobe prints it ("gpmd", "tx3g", ...)
    quint32 frames = 0;
};
QList<ProbedTrack> ffprobeTracks(const QString &path);

// Runs one reader on a file written to dir under name; the file stays for a second reading.
LayoutResult readFile(LayoutReadFn fn, const QString &path);

} // namespace rcfx
