// libFuzzer target: arbitrary bytes as a recording for the metadata-track, atom and trailer
// readers, and as each kind of sidecar file. Build with clang and -fsanitize=fuzzer.

#include "bytesource.h"
#include "realcams.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    for (LayoutReadFn fn : {readGpmfTrack, readTextMetaTrack, readBinaryMetaTrack, readMetaTracks,
             readGps0Atoms, readHashTrailer}) {
        ByteSource src = ByteSource::fromBytes(bytes);
        fn(src, ReadContext{});
    }
    for (const char *path : {"/nowhere/20250101_101500_N.gps", "/nowhere/a.3gf", "/nowhere/a.nmea",
             "/nowhere/a.map", "/nowhere/GPSData000001.txt"}) {
        ByteSource src = ByteSource::fromBytes(bytes);
        readSidecars(src, ReadContext{QString::fromLatin1(path)});
    }
    return 0;
}
