// Entry points of these layouts while their readers are being written: they claim nothing.
#include "realcams.h"

LayoutResult readGpmfTrack(ByteSource &, const ReadContext &) { return {}; }
LayoutResult readTextMetaTrack(ByteSource &, const ReadContext &) { return {}; }
LayoutResult readBinaryMetaTrack(ByteSource &, const ReadContext &) { return {}; }
LayoutResult readGps0Atoms(ByteSource &, const ReadContext &) { return {}; }
LayoutResult readHashTrailer(ByteSource &, const ReadContext &) { return {}; }
LayoutResult readSidecars(ByteSource &, const ReadContext &) { return {}; }
