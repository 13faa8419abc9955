// Entry points of the freeGPS family while its readers are being written: they claim nothing.
#include "freegps.h"

LayoutResult readFreeGpsMp4(ByteSource &, const ReadContext &) { return {}; }
LayoutResult readFreeGpsTs(ByteSource &, const ReadContext &) { return {}; }
