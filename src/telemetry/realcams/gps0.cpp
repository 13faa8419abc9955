#include "realcams.h"

LayoutResult readGps0Atoms(ByteSource &, const ReadContext &) { return {}; }
