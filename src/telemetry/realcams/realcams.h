#pragma once

#include "layoutreader.h"

// Layouts of metadata tracks, top-level atoms, trailers and sidecar files: codes 40 to 79.
LayoutResult readGpmfTrack(ByteSource &src, const ReadContext &ctx);
LayoutResult readTextMetaTrack(ByteSource &src, const ReadContext &ctx);
LayoutResult readBinaryMetaTrack(ByteSource &src, const ReadContext &ctx);
LayoutResult readGps0Atoms(ByteSource &src, const ReadContext &ctx);
LayoutResult readHashTrailer(ByteSource &src, const ReadContext &ctx);
// Files beside the recording (ctx.path): .gps, .3gf, .nmea, .NMEA, .map, 70mai GPS logs.
LayoutResult readSidecars(ByteSource &src, const ReadContext &ctx);
