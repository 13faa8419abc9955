#pragma once

// Independent second readings of fixtures: ExifTool's decoding and ffprobe's track list.

#include "assistinfo.h"
#include "layoutreader.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QString>
#include <QStringList>

namespace rcfx {

bool haveTool(const QString &name);
// The installed ExifTool's version ("13.59" gives 13.59); 0 without one.
double exiftoolVersion();

// The fixes ExifTool reports with options ("-ee", "-ee3", "-u") -n: every GPSLatitude and
// GPSLongitude pair of every embedded document, in file order. speed is GPSSpeed as ExifTool
// reports it (its unit differs per layout), -1 where it gives none; tags holds each GPS* value the
// point has one of ("Raw" dropped from the names -u gives). utcMs: the GPSDateTime (fraction and
// zone read) of the point, or of its payload for the first point only; -1 where it prints none.
struct EtFix
{
    double lat = 0.0, lon = 0.0, speed = -1.0;
    qint64 utcMs = -1;
    QHash<QByteArray, double> tags;
};
QList<EtFix> exiftoolFixes(const QString &path, const QStringList &options = {"-ee"});
// Where ours and ExifTool's UTC differ in the second (for every fix ExifTool gives one): a
// message naming the first such fix; empty when they agree. Fails when ExifTool gives none at all
// and expectSome is set.
QString utcDisagreement(const QList<EtFix> &et, const AssistInfoList &ours, bool expectSome = true);

// ffprobe's streams: codec_type and handler (its "handler_name" is not the handler type, so the
// comparison is on codec_type: "data" or "subtitle" for metadata tracks) and nb_frames.
struct ProbedTrack
{
    QString codecType;
    QString codecTag; // the sample entry as ffprobe prints it ("gpmd", "tx3g", ...)
    quint32 frames = 0;
};
QList<ProbedTrack> ffprobeTracks(const QString &path);

// A reading context of a path alone (sidecar readers look beside it or read the bytes as it).
ReadContext contextFor(const QString &path);

// Runs one reader on a file written to dir under name; the file stays for a second reading.
LayoutResult readFile(LayoutReadFn fn, const QString &path);

} // namespace rcfx
