// Feeds arbitrary bytes, as a whole recording, to every raw telemetry reader. The index-table
// readers take their entry count from the first input bytes (byte 0, and bytes 1-2 big-endian),
// so that seeds written by make_seed_corpus carry a meaningful count.

#include "assistfile.h"
#include "bytesource.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

namespace {
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool installed = (qInstallMessageHandler(quiet), true);
    Q_UNUSED(installed);
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
    return 0;
}
