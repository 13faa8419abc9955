// libFuzzer target for the freeGPS readers: the bytes as an MP4 recording, as a TS recording,
// as the payload of one freeGPS block and as one TS GPS payload. Aborts when a sample leaves
// the Earth, runs back in time or claims a position without text. Built by the fuzz build
// (tests/fuzz) like its other targets: clang, -fsanitize=fuzzer,address,undefined, linked with
// the telemetry library.

#include "bytesource.h"
#include "freegps.h"
#include "freegps_blocks.h"

#include <cmath>
#include <cstdlib>

namespace {

void check(const LayoutResult &r)
{
    qint64 previous = 0;
    for (const AssistInfo &s : r.samples) {
        if (s.timeMs < previous || s.latitude.isEmpty() == s.hasPosition)
            std::abort();
        if (s.hasPosition && !(std::fabs(s.latitudeDeg) <= 90 && std::fabs(s.longitudeDeg) <= 180))
            std::abort();
        previous = s.timeMs;
    }
    if ((r.status == ReadStatus::Found) == r.samples.isEmpty())
        std::abort();
}

void checkFixes(const QVector<freegps::Fix> &fixes)
{
    for (const freegps::Fix &f : fixes)
        if (f.hasPosition && !(std::fabs(f.latitude) <= 90 && std::fabs(f.longitude) <= 180))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    {
        ByteSource src = ByteSource::fromBytes(bytes);
        check(readFreeGpsMp4(src, ReadContext{}));
    }
    {
        ByteSource src = ByteSource::fromBytes(bytes);
        check(readFreeGpsTs(src, ReadContext{}));
    }
    QByteArray block = QByteArray("\0\0\x80\0freeGPS ", 12) + bytes;
    freegps::DecodeState state;
    QVector<freegps::Fix> fixes;
    freegps::decodeBlock(block, size % 2 == 0, &state, &fixes);
    freegps::decodeTsPayload(bytes, &state, &fixes);
    checkFixes(fixes);
    return 0;
}
