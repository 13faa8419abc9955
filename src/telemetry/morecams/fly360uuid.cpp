// 360Fly: a top-level "uuid" EFE1589A-BB77-49EF-8095-27759EB1DC6F whose payload after the UUID is
// a list of 32-byte big-endian records: type, mode, u64 microseconds into the recording, then per
// type. Type 5 is GPS: f32 latitude and longitude at 10 and 14, f32 altitude, u16 speed in cm/s
// at 22, u16 course in hundredths of a degree at 24. Other types are orientation sensors.
// The records carry no date: the moment of a fix is the movie's creation time (mvhd, the camera's
// clock) plus the record's time.

#include "morecams.h"
#include "layoutcommon.h"
#include "morecommon.h"
#include "mp4/mp4atomtree.h"
#include "realcommon.h"

#include <QtEndian>

using namespace realcams;

namespace {

constexpr char kUuid[] = "\xef\xe1\x58\x9a\xbb\x77\x49\xef\x80\x95\x27\x75\x9e\xb1\xdc\x6f";
constexpr int kRecord = 32;

AssistInfoList readRecords(const QByteArray &payload, qint64 creationMs)
{
    AssistInfoList samples;
    const uchar *u = reinterpret_cast<const uchar *>(payload.constData());
    for (int pos = 16; pos + kRecord <= payload.size(); pos += kRecord) {
        if (u[pos] != 5)
            continue;
        const quint64 us = qFromBigEndian<quint64>(u + pos + 2);
        if (us > (quint64(1) << 50))
            continue;
        AssistInfo s = emptySample(qint64(us / 1000));
        const char *r = payload.constData() + pos;
        if (!setPosition(&s, layout::f32be(r + 10), layout::f32be(r + 14)))
            continue;
        s.speed = qRound(qFromBigEndian<quint16>(u + pos + 22) * 0.036);
        s.course = qFromBigEndian<quint16>(u + pos + 24) / 100.0;
        if (s.course > 360.0)
            s.course = 0.0;
        if (creationMs >= 0)
            s.setUtc(creationMs + s.timeMs, AssistInfo::Clock::Camera);
        appendOrdered(&samples, s);
    }
    return samples;
}

} // namespace

LayoutResult readFly360Uuid(ByteSource &src, const ReadContext &ctx)
{
    const Mp4AtomTree &tree = ctx.boxes.of(src);
    for (const int i : tree.children(-1)) {
        const BoxHeader &h = tree.atoms()[i].header;
        if (!h.is("uuid") || src.readAt(h.payloadBegin(), 16) != QByteArray(kUuid, 16))
            continue;
        return makeResult(84, readRecords(morecams::boxPayload(src, h),
                                          morecams::movieCreationMs(src, tree)));
    }
    return LayoutResult{};
}
