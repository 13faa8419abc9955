#include "realcams.h"

LayoutResult readSidecars(ByteSource &, const ReadContext &) { return {}; }
bool isSidecarFile(const QString &) { return false; }
