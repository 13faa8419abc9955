#include "morecommon.h"

#include "mp4/mp4atomtree.h"
#include "realcommon.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace morecams {

void attachGReadings(AssistInfoList *samples, QVector<GReading> readings)
{
    std::stable_sort(readings.begin(), readings.end(),
        [](const GReading &a, const GReading &b) { return a.timeMs < b.timeMs; });
    if (samples->isEmpty()) {
        for (const GReading &g : readings) {
            AssistInfo s = realcams::emptySample(g.timeMs);
            realcams::setGSensor(&s, g.x, g.y, g.z);
            realcams::appendOrdered(samples, s);
        }
        return;
    }
    int next = 0;
    for (int i = 0; i < samples->size(); ++i) {
        const bool last = i + 1 == samples->size();
        const qint64 until = last ? 0 : (*samples)[i + 1].timeMs;
        double x = 0.0, y = 0.0, z = 0.0;
        int n = 0;
        for (; next < readings.size() && (last || readings[next].timeMs < until); ++next, ++n) {
            x += readings[next].x;
            y += readings[next].y;
            z += readings[next].z;
        }
        if (n > 0)
            realcams::setGSensor(&(*samples)[i], x / n, y / n, z / n);
    }
}

QByteArray boxPayload(ByteSource &src, const BoxHeader &box)
{
    const ByteRange payload = box.payload();
    if (payload.size() > kMaxPart || !src.whole().contains(payload.begin, payload.size()))
        return QByteArray();
    QByteArray bytes = src.readAt(payload.begin, payload.size());
    return bytes.size() == payload.size() ? bytes : QByteArray();
}

namespace {

// Seconds from 1904-01-01 (QuickTime's epoch) to 1970-01-01.
constexpr qint64 kQuickTimeEpoch = 2082844800;

} // namespace

qint64 movieCreationMs(ByteSource &src, const Mp4AtomTree &tree)
{
    const int mvhd = tree.find("moov.mvhd");
    if (mvhd < 0)
        return -1;
    const BoxHeader &h = tree.atoms()[mvhd].header;
    quint8 version = 0;
    quint64 seconds = 0;
    if (!src.readU8(h.payloadBegin(), &version) || !h.payload().contains(h.payloadBegin(), 12))
        return -1;
    if (version == 1) {
        if (!src.readU64BE(h.payloadBegin() + 4, &seconds))
            return -1;
    } else {
        quint32 s32 = 0;
        if (!src.readU32BE(h.payloadBegin() + 4, &s32))
            return -1;
        seconds = s32;
    }
    // Before 1970 or after 2200 is an unset clock, not a date.
    if (seconds <= quint64(kQuickTimeEpoch) || seconds > quint64(kQuickTimeEpoch) + 7258118400ull)
        return -1;
    return (qint64(seconds) - kQuickTimeEpoch) * 1000;
}

} // namespace morecams
