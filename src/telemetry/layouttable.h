#pragma once

#include "devicedetect.h"
#include "layoutreader.h"

#include <QString>

class ByteSource;

// The real-camera layout readers in the order they are tried. The loader runs them only when
// the chip detection's own reader gave no sample with a position.
const LayoutReaderEntry *realCameraReaders(int *count);

// What the first bytes of the file say it is (reads at most a few hundred bytes).
ContainerKind classifyContainer(ByteSource &src);

// Runs the readers of realCameraReaders() that accept ctx.container, in order; the first Found
// wins. Every sample of the result is timed and the list is in time order. Status None when no
// reader found anything (a Damaged layout is logged and the next reader tried).
LayoutResult readRealCameraLayouts(ByteSource &src, const ReadContext &ctx);

// Name of a chip-detection layout code as --verbose and the info text show it.
QString deviceLayoutName(DeviceType device, int gpsLength);
