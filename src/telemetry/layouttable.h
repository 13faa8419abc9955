#pragma once

#include "devicedetect.h"
#include "layoutreader.h"

#include <QString>

class ByteSource;

// Every telemetry layout the player reads, in the order they are tried. One row per reader:
// the codes it gives, its name, the containers it looks into, when it applies, and the reader
// itself (bytes in; timed samples and a status out).
struct LayoutRow
{
    int firstCode;
    int lastCode;
    const char *name;
    unsigned where; // ContainerIsoBmff | ContainerMpegTs | ContainerOther
    // Whether the row applies to the file before anything of it is read; null when the reader
    // recognises its layout itself.
    bool (*applies)(const ReadContext &ctx);
    LayoutReadFn read;
    // A chip layout: its result stands for the recording even without samples, unless a later
    // row finds positions.
    bool chip = false;
};

const LayoutRow *layoutTable(int *count);

// What the first bytes of the file say it is (reads at most a few hundred bytes).
ContainerKind classifyContainer(ByteSource &src);

// Runs the rows that accept ctx.container and apply to ctx, in order. The detected chip layout's
// result stands when it has a position; otherwise the first later row that finds samples wins,
// and without one the chip layout's result (maybe empty) stands. Every sample of the result is
// timed and the list is in time order. Status None and code 0 when no row ran or found anything
// (a Damaged layout is logged and the next row tried).
LayoutResult readLayouts(ByteSource &src, const ReadContext &ctx);

// Name of a layout code as --verbose and the info text show it, for every code a reader gives:
// chip layouts 0-9, freeGPS variants 10-36, metadata tracks, atoms, trailers and sidecars 40-66,
// further cameras 80-86. Empty for any other code.
QString layoutName(int code);
// The same for a chip-detection code: layout 5 reads indexed blocks, and is named so, when the
// file has a gps box (gpsLength != 0).
QString deviceLayoutName(DeviceType device, int gpsLength);
