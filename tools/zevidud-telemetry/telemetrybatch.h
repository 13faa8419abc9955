#pragma once

#include "routeexport.h"

#include <QString>
#include <QStringList>

// Many recordings at once: loaded in parallel, one progress line each on standard error, the
// route written per recording or per drive, or the sample tables on standard output.

struct BatchOptions
{
    bool routeWanted = false;    // write a route (format) instead of the sample tables
    RouteFormat format = RouteFormat::Gpx;
    QString outputDir;           // empty: everything goes to standard output
    bool merge = false;          // one track per drive instead of one per recording
    bool stats = false;          // a closing line with files, bytes read and time taken
    int threads = 0;             // 0: as many as the machine has cores
};

// The recordings named by the arguments: a folder stands for the files in it whose extension
// is one of recordingExtensions() (any case), in name order, descending into subfolders only
// when recursive; any other argument is taken as it is (a missing file fails when loaded).
// The same file named twice is kept once. Folders holding no recording are added to
// emptyFolders.
QStringList collectRecordings(const QStringList &arguments, bool recursive,
                              QStringList *emptyFolders = nullptr);

// mp4, mov, ts, m4a, mkv.
QStringList recordingExtensions();

// Runs the batch and returns the exit status: 0 when every recording was read and every
// output written, 1 otherwise, 2 when the options cannot work (two recordings would write the
// same output file).
int runBatch(const QStringList &recordings, const BatchOptions &options);

// The extension of the files of a format ("gpx", "kml", "csv").
QString routeExtension(RouteFormat format);
