#include "realcams.h"

LayoutResult readHashTrailer(ByteSource &, const ReadContext &) { return {}; }
