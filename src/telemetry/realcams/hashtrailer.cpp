// A text trailer after the last box: a box "SKIP" holding "LIGOGPSINFO", five spaces, a
// big-endian slot count and 132-byte slotCount (big-endian index, then one NUL-padded text record a
// second), closed by "####" and the big-endian size of that box as the file's last eight bytes.
// An encrypted copy of the records precedes it; the plain one is enough. Record text: ligogps.h;
// speeds are km/h.

#include "realcams.h"
#include "ligogps.h"
#include "realcommon.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace realcams;

namespace {

constexpr int kCode = 55;
constexpr const char *kName = "LIGOGPSINFO #### trailer";
constexpr int kSlot = 0x84;
constexpr int kDirectory = 28; // size, SKIP, LIGOGPSINFO, five spaces, count
constexpr qint64 kMaxTrailer = 64ll << 20;

} // namespace

LayoutResult readHashTrailer(ByteSource &src, const ReadContext &)
{
    const qint64 size = src.size();
    char tail[8];
    if (size < 8 + kDirectory || !src.readExact(size - 8, tail, 8)
        || std::memcmp(tail, "####", 4) != 0)
        return {};
    const qint64 boxSize = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(tail + 4));
    if (boxSize < kDirectory || boxSize > size - 8 || boxSize > kMaxTrailer)
        return {};
    const qint64 start = size - 8 - boxSize;
    const QByteArray box = src.readAt(start, boxSize);
    if (box.size() != boxSize
        || qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(box.constData())) != boxSize
        || box.mid(4, 4).toUpper() != "SKIP" || box.mid(8, 11) != "LIGOGPSINFO")
        return {};
    const quint32 count
        = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(box.constData()) + 24);
    const qint64 slotCount = std::min<qint64>(count, (boxSize - kDirectory) / kSlot);

    AssistInfoList samples;
    qint64 first = -1, last = -1;
    for (qint64 i = 0; i < slotCount && samples.size() < kMaxSamples; ++i) {
        const int at = int(kDirectory + i * kSlot);
        QByteArray text = box.mid(at + 4, kSlot - 4);
        const int nul = text.indexOf('\0');
        if (nul >= 0)
            text.truncate(nul);
        AssistInfo s = emptySample(0);
        qint64 clock = 0;
        if (text.isEmpty() || !parseLigoText(text, 1.0, &clock, &s))
            continue;
        if (first < 0)
            first = clock;
        s.timeMs = clock - first;
        if (s.timeMs < last)
            continue;
        last = s.timeMs;
        samples.append(s);
    }
    return makeResult(kCode, kName, samples);
}
