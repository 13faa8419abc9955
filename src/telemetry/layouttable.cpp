#include "layouttable.h"

#include "bytesource.h"
#include "freegps.h"
#include "mp4/mp4atomtree.h"
#include "realcams.h"

#include <QDebug>
#include <algorithm>

namespace {

// Most common first: Novatek blocks are in most dashboard cameras sold today; sidecar files last
// because they are files of their own.
const LayoutReaderEntry kReaders[] = {
    {"freeGPS MP4", readFreeGpsMp4, ContainerIsoBmff},
    {"freeGPS TS", readFreeGpsTs, ContainerMpegTs},
    // GPMF, text and binary metadata tracks in one pass over moov's track handlers.
    {"metadata tracks", readMetaTracks, ContainerIsoBmff},
    {"gps0 atoms", readGps0Atoms, ContainerIsoBmff},
    {"hash trailer", readHashTrailer, ContainerAny},
    {"sidecar files", readSidecars, ContainerAny},
};

unsigned containerBit(ContainerKind kind)
{
    switch (kind) {
    case ContainerKind::IsoBmff:
        return ContainerIsoBmff;
    case ContainerKind::MpegTs:
        return ContainerMpegTs;
    case ContainerKind::Other:
        return ContainerOther;
    case ContainerKind::Unknown:
        break;
    }
    return ContainerAny;
}

bool isPrintable(uchar c)
{
    return (c >= 0x20 && c <= 0x7e) || c == 0xa9;
}

} // namespace

const Mp4AtomTree &FileBoxes::of(ByteSource &src) const
{
    if (!m_tree) {
        m_tree = std::make_shared<Mp4AtomTree>();
        m_tree->walk(src);
    }
    return *m_tree;
}

const LayoutReaderEntry *realCameraReaders(int *count)
{
    *count = int(sizeof kReaders / sizeof kReaders[0]);
    return kReaders;
}

ContainerKind classifyContainer(ByteSource &src)
{
    uchar head[8];
    if (src.readAt(0, reinterpret_cast<char *>(head), 8) != 8)
        return ContainerKind::Other;
    if (head[0] == 0x47 || head[4] == 0x47) {
        // Two more sync bytes a packet apart: 188-byte packets, or 192 with a 4-byte time code.
        for (const int prefix : {0, 4}) {
            char sync[2] = {0, 0};
            if (uchar(head[prefix]) == 0x47 && src.readAt(prefix + 188 + prefix, &sync[0], 1) == 1
                && src.readAt(prefix + 2 * (188 + prefix), &sync[1], 1) == 1
                && uchar(sync[0]) == 0x47 && uchar(sync[1]) == 0x47)
                return ContainerKind::MpegTs;
        }
    }
    // A box header: printable type and a size word of 0 (to the end), 1 (64-bit) or at least 8.
    // Its size is not checked against the file: a recording cut short is still an MP4.
    const quint32 size = quint32(head[0]) << 24 | quint32(head[1]) << 16 | quint32(head[2]) << 8
        | quint32(head[3]);
    if ((size == 0 || size == 1 || size >= 8) && isPrintable(head[4]) && isPrintable(head[5])
        && isPrintable(head[6]) && isPrintable(head[7]))
        return ContainerKind::IsoBmff;
    return ContainerKind::Other;
}

LayoutResult readRealCameraLayouts(ByteSource &src, const ReadContext &ctxIn)
{
    ReadContext ctx = ctxIn;
    if (ctx.container == ContainerKind::Unknown)
        ctx.container = classifyContainer(src);
    const unsigned bit = containerBit(ctx.container);
    for (const LayoutReaderEntry &entry : kReaders) {
        if ((entry.containers & bit) == 0)
            continue;
        LayoutResult r = entry.read(src, ctx);
        if (r.status == ReadStatus::Damaged)
            qDebug() << "layout" << entry.family << "damaged:" << r.code << r.name;
        if (r.status != ReadStatus::Found || r.samples.isEmpty())
            continue;
        // Readers promise timed samples in order; a reader that slips must not break the
        // lookup by time.
        for (int i = 0; i < r.samples.size(); ++i) {
            if (r.samples.at(i).timeMs < 0)
                r.samples[i].timeMs = qint64(i) * 1000;
        }
        const auto byTime = [](const AssistInfo &a, const AssistInfo &b) {
            return a.timeMs < b.timeMs;
        };
        if (!std::is_sorted(r.samples.cbegin(), r.samples.cend(), byTime))
            std::stable_sort(r.samples.begin(), r.samples.end(), byTime);
        if (r.name.isEmpty())
            r.name = QString::fromLatin1(entry.family);
        qDebug() << "layout" << entry.family << "found:" << r.code << r.name << r.samples.size();
        return r;
    }
    return LayoutResult();
}

QString deviceLayoutName(DeviceType device, int gpsLength)
{
    switch (device) {
    case DeviceUnknown:
        return QStringLiteral("no telemetry");
    case DeviceAmbarellaTab:
        return QStringLiteral("Ambarella text track");
    case DeviceAmbarellaA7L:
        return QStringLiteral("Ambarella A7L text track");
    case DeviceIcatTail:
        return QStringLiteral("iCatch (no telemetry)");
    case DeviceNovatekAligned:
        return QStringLiteral("Novatek aligned blocks");
    case DeviceNovatekFrameTail:
        return gpsLength != 0 ? QStringLiteral("Novatek indexed blocks")
                              : QStringLiteral("Novatek frame-tail blocks");
    case DeviceMakerTrack:
        return QStringLiteral("maker's MP4 track");
    case DeviceNovatekIndexed:
        return QStringLiteral("Novatek indexed blocks v2");
    case DeviceNovatekMasked:
        return QStringLiteral("Novatek masked blocks");
    case DeviceTorvenTrailer:
        return QStringLiteral("Torven trailer records");
    }
    return QStringLiteral("layout %1").arg(int(device));
}
