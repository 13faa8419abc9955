#pragma once

#include "layoutreader.h"

// Novatek "freeGPS " blocks, the most common dashboard-camera telemetry: codes 10 to 39.
// MP4/MOV: blocks found through a `gps ` index anywhere in moov, in top-level free/skip boxes, or
// between the video chunks of mdat.
LayoutResult readFreeGpsMp4(ByteSource &src, const ReadContext &ctx);
// MPEG-TS: the same blocks as private-stream packets, and the text-GPS packets of some cameras.
LayoutResult readFreeGpsTs(ByteSource &src, const ReadContext &ctx);
