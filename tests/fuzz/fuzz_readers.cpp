// Feeds arbitrary bytes, as a whole recording, to every raw telemetry reader. The index-table
// readers take their entry count from the first input bytes (byte 0, and bytes 1-2 big-endian),
// so that seeds written by make_seed_corpus carry a meaningful count.

#include "assistfile.h"
#include "bytesource.h"

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
    AssistFile f;
    f.readAlignedBlocks(src);
    f.readFrameTailBlocks(src);
    f.readTabTextTrack(src);
    f.readTrailerRecords(src);
    const int counts[2] = {size > 0 ? int(data[0]) : 0,
                           size > 2 ? int(data[1]) << 8 | int(data[2]) : 0};
    for (int L : counts) {
        f.readIndexedBlocks(src, L);
        f.readIndexedBlocksV2(src, L);
        f.readMaskedBlocks(src, L);
    }
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
