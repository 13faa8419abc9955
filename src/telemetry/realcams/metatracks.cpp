#include "realcams.h"

LayoutResult readTextMetaTrack(ByteSource &, const ReadContext &) { return {}; }
LayoutResult readBinaryMetaTrack(ByteSource &, const ReadContext &) { return {}; }
