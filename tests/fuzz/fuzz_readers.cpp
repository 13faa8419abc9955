// Feeds arbitrary bytes, as a whole recording, to every row of the layout table: each chip
// layout as if the detection had named it (with a gps box length taken from the first input
// bytes, byte 0 and bytes 1-2 big-endian, so that seeds written by make_seed_corpus carry a
// meaningful count), every other row as the loader runs it, the sidecar row once per kind of
// sidecar name, and then the whole load.

#include "bytesource.h"
#include "layouttable.h"
#include "realcams.h"
#include "telemetryloader.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

namespace {
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

void readAll(const uint8_t *data, size_t size, bool verbose)
{
    QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, verbose);
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     int(size));
    ByteSource src = ByteSource::fromBytes(bytes);
    ReadContext base;
    base.container = classifyContainer(src);
    const int gpsLengths[2] = {size > 0 ? int(data[0]) : 0,
                               size > 2 ? int(data[1]) << 8 | int(data[2]) : 0};
    int count = 0;
    const LayoutRow *rows = layoutTable(&count);
    for (int i = 0; i < count; ++i) {
        const LayoutRow &row = rows[i];
        if (row.chip) {
            for (int L : gpsLengths) {
                ReadContext ctx = base;
                ctx.chipLayout = row.firstCode;
                ctx.gpsLength = L;
                row.read(src, ctx);
            }
        } else if (row.read == readSidecars) {
            // Sidecar files are read as what their names say they are.
            for (const char *path : {"/nowhere/20250101_101500_N.gps", "/nowhere/a.3gf",
                                     "/nowhere/a.nmea", "/nowhere/a.map",
                                     "/nowhere/GPSData000001.txt"}) {
                ReadContext ctx = base;
                ctx.path = QString::fromLatin1(path);
                row.read(src, ctx);
            }
        } else {
            row.read(src, base);
        }
    }
    loadTelemetry(src, nullptr);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool installed = (qInstallMessageHandler(quiet), true);
    Q_UNUSED(installed);
    // With the debug log on (--verbose) the readers take another way: each layout-4 block is
    // parsed as it comes, and every box they pass is narrated. Every input is read the quiet way
    // the player normally runs, one in four (by length) again with the log on.
    readAll(data, size, false);
    if (size % 4 == 1)
        readAll(data, size, true);
    return 0;
}
