#include "layouttable.h"

#include "assistfile.h"
#include "bytesource.h"
#include "freegps.h"
#include "mp4/boxwalkreaders.h"
#include "mp4/mp4atomtree.h"
#include "mp4/mp4v2parsefile.h"
#include "morecams.h"
#include "realcams.h"

#include <QDebug>
#include <algorithm>

namespace {

// The one list of layout names, by code: what zevidud-telemetry --verbose and the info text
// show. Readers take their result's name from here (layoutName), never spell one themselves.
struct CodeName
{
    int code;
    const char *name;
};

constexpr CodeName kCodeNames[] = {
    // Chip layouts (devicedetect.h)
    {0, "no telemetry"},
    {1, "Ambarella text track"},
    {2, "Ambarella A7L text track"},
    {3, "iCatch (no telemetry)"},
    {4, "Novatek aligned blocks"},
    {5, "Novatek frame-tail blocks"},
    {6, "maker's MP4 track"},
    {7, "Novatek indexed blocks v2"},
    {8, "Novatek masked blocks"},
    {9, "Torven trailer records"},
    // freeGPS blocks in MP4/MOV (freegps.h)
    {10, "Novatek freeGPS (type 3 floats)"},
    {11, "Novatek freeGPS (VIOFO shifted)"},
    {12, "Novatek freeGPS (NMEA text, Nextbase 512GW)"},
    {13, "Novatek freeGPS (Vantrue N4 doubles)"},
    {14, "Novatek freeGPS (Azdome/EEEkit XOR text)"},
    {15, "Novatek freeGPS (Akaso floats)"},
    {16, "Novatek freeGPS (Anticlock floats)"},
    {17, "Novatek freeGPS (ZXSBNXYS shifted RMC)"},
    {18, "Novatek freeGPS (Akaso V1 enciphered)"},
    {19, "Novatek freeGPS (Vantrue S1 horsontech)"},
    {20, "Novatek freeGPS (ATC ring)"},
    {21, "Novatek freeGPS (doubles, firmware 20130815)"},
    {22, "Novatek freeGPS (IQS integers)"},
    {23, "Novatek freeGPS (INNOVV records)"},
    {24, "Novatek freeGPS (Nextbase 512G $S records)"},
    {25, "Novatek freeGPS (RMC sentence)"},
    {26, "Novatek freeGPS (Kenwood banner, shifted record)"},
    {27, "Novatek freeGPS (XGODY text)"},
    {28, "Novatek freeGPS (XBHT records)"},
    {29, "Novatek freeGPS (70mai 4K)"},
    {37, "Novatek freeGPS (E-ACE text coordinates)"},
    {38, "Novatek freeGPS (Transcend decimal degrees)"},
    {39, "LIGOGPSINFO records (freeGPS / TS)"},
    // freeGPS and text GPS in MPEG-TS
    {30, "Novatek GPS in MPEG-TS (VIOFO record)"},
    {31, "Novatek GPS in MPEG-TS (Blueskysea record)"},
    {32, "Novatek GPS in MPEG-TS (INNOVV records)"},
    {33, "MPEG-TS $GPSINFO text (VSYS)"},
    {34, "MPEG-TS RMC text"},
    {35, "MPEG-TS $S records (DOD LS600W)"},
    {36, "MPEG-TS Viidure text (INNOVV N2)"},
    // Metadata tracks, atoms, trailers and sidecars (realcams.h)
    {40, "GoPro GPMF"},
    {41, "NMEA text track"},
    {42, "Thinkware text track"},
    {43, "SigmaStar ssmd track"},
    {44, "Rove ssmd track"},
    {45, "Vueroid tvxt track"},
    {46, "RVMI track"},
    {47, "Google camm track"},
    {48, "Vantrue FMAS track"},
    {49, "XOR-0xAA text track"},
    {50, "Ambarella gps0 atom"},
    {51, "70mai GPS atom"},
    {52, "BlackVue free box"},
    {53, "udat NMEA log"},
    {54, "Garmin uuid atom"},
    {55, "LIGOGPSINFO #### trailer"},
    {56, "Garmin PNDM track"},
    {57, "LigoGPS track"},
    {58, "Nextbase text track"},
    {59, "Mini 0806 text track"},
    {60, "BlackVue .gps sidecar"},
    {61, "BlackVue .3gf sidecar"},
    {62, "NMEA sidecar"},
    {63, "Escort .map sidecar"},
    {64, "70mai GPSData log"},
    {65, "Roadhawk text track"},
    {66, "E-PRANCE text track"},
    {67, "Wolfbox gpmd track"},
    {68, "DENVER udat log"},
    {69, "$G text track"},
    {70, "Kenwood GPSDATA trailer"},
    {71, "Nextbase nbmt atom"},
    {72, "Nextbase gdat atom"},
    // Further cameras (morecams.h)
    {80, "Kenwood udta records"},
    {81, "Auto-Vox RIFF trailer"},
    {82, "TomTom TTAD atom"},
    {83, "Insta360 trailer"},
    {84, "360Fly uuid records"},
    {85, "DJI text track"},
    {86, "Parrot mett track"},
};

// Layout 5 with a gps box reads its blocks through the index at the file's end.
constexpr const char *kLayout5Indexed = "Novatek indexed blocks";

constexpr const char *codeName(int code)
{
    for (const CodeName &c : kCodeNames) {
        if (c.code == code)
            return c.name;
    }
    return nullptr;
}

// Readers promise timed samples in order; a reader that slips must not break the lookup by time.
void putInTimeOrder(AssistInfoList *samples)
{
    for (int i = 0; i < samples->size(); ++i) {
        if (samples->at(i).timeMs < 0)
            (*samples)[i].timeMs = qint64(i) * 1000;
    }
    const auto byTime = [](const AssistInfo &a, const AssistInfo &b) {
        return a.timeMs < b.timeMs;
    };
    if (!std::is_sorted(samples->cbegin(), samples->cend(), byTime))
        std::stable_sort(samples->begin(), samples->end(), byTime);
}

// The chip layouts time a sample by the second it belongs to where the reader knows it, else
// by its place in the list (one block a second).
LayoutResult chipResult(DeviceType device, int count, AssistInfoList samples, int gpsLength)
{
    LayoutResult r;
    r.code = int(device);
    r.name = deviceLayoutName(device, gpsLength);
    r.readerCount = count;
    putInTimeOrder(&samples);
    r.samples = std::move(samples);
    r.status = r.samples.isEmpty() ? ReadStatus::None : ReadStatus::Found;
    return r;
}

template<DeviceType D>
bool detected(const ReadContext &ctx)
{
    return ctx.chipLayout == int(D);
}

// The reader of a chip layout: the box-walk layouts over the load's tree, the tail layouts
// through AssistFile; the gps box length picks among them for layout 5.
template<DeviceType D>
LayoutResult readChip(ByteSource &src, const ReadContext &ctx)
{
    const int L = ctx.gpsLength;
    AssistInfoList samples;
    int framesPerSecond = 0;
    int count = 0;
    AssistFile tail;
    switch (D) {
    case DeviceAmbarellaTab:
    case DeviceAmbarellaA7L:
        count = boxwalk::readTabTextTrack(src, ctx.boxes.of(src), &samples, &framesPerSecond);
        break;
    case DeviceNovatekAligned:
        count = boxwalk::readAlignedBlocks(src, ctx.boxes.of(src), &samples, &framesPerSecond);
        break;
    case DeviceNovatekFrameTail:
        // With a gps box the block positions come from the index table at the file's end.
        if (L != 0)
            count = tail.readIndexedBlocks(src, L);
        else
            count = boxwalk::readFrameTailBlocks(src, ctx.boxes.of(src), &samples,
                                                 &framesPerSecond);
        break;
    case DeviceNovatekIndexed:
        count = tail.readIndexedBlocksV2(src, L);
        break;
    case DeviceNovatekMasked:
        count = tail.readMaskedBlocks(src, L);
        break;
    case DeviceTorvenTrailer:
        count = tail.readTrailerRecords(src);
        break;
    default:
        break;
    }
    if (samples.isEmpty())
        samples = tail.takeSamples();
    return chipResult(D, count, std::move(samples), L);
}

// Layout 6: the maker's own cameras store telemetry as the samples of an MP4 track, timed by
// the track's clock.
LayoutResult readMakerTrack(ByteSource &src, const ReadContext &ctx)
{
    mp4v2ParseFile local;
    mp4v2ParseFile *reader = ctx.makerTrackReader != nullptr ? ctx.makerTrackReader : &local;
    const AssistInfoList samples = reader->parseSource(src, ctx.boxes.of(src));
    return chipResult(DeviceMakerTrack, samples.size(), samples, ctx.gpsLength);
}

// Ambarella text-track files keep their layout: their text tracks are the chip reader's, even
// when the track it reads is missing, so the generic text-track readers stand back.
bool notAmbarellaText(const ReadContext &ctx)
{
    return ctx.chipLayout != DeviceAmbarellaTab && ctx.chipLayout != DeviceAmbarellaA7L;
}

// Rows of one code are named by it; rows of several name their family (for the debug log).
// Chip layouts first (the detection names at most one); then the real-camera layouts, most
// common first: Novatek blocks are in most dashboard cameras sold today; sidecar files last
// because they are files of their own.
const LayoutRow kRows[] = {
    {1, 1, codeName(1), ContainerAny, detected<DeviceAmbarellaTab>,
     readChip<DeviceAmbarellaTab>, true},
    {2, 2, codeName(2), ContainerAny, detected<DeviceAmbarellaA7L>,
     readChip<DeviceAmbarellaA7L>, true},
    {4, 4, codeName(4), ContainerAny, detected<DeviceNovatekAligned>,
     readChip<DeviceNovatekAligned>, true},
    {5, 5, "Novatek frame-tail or indexed blocks", ContainerAny, detected<DeviceNovatekFrameTail>,
     readChip<DeviceNovatekFrameTail>, true},
    {6, 6, codeName(6), ContainerAny, detected<DeviceMakerTrack>, readMakerTrack, true},
    {7, 7, codeName(7), ContainerAny, detected<DeviceNovatekIndexed>,
     readChip<DeviceNovatekIndexed>, true},
    {8, 8, codeName(8), ContainerAny, detected<DeviceNovatekMasked>,
     readChip<DeviceNovatekMasked>, true},
    {9, 9, codeName(9), ContainerAny, detected<DeviceTorvenTrailer>,
     readChip<DeviceTorvenTrailer>, true},
    // Codes 10-29 and 37-39 in MP4/MOV, 30-36 and 39 in MPEG-TS.
    {10, 39, "freeGPS MP4", ContainerIsoBmff, nullptr, readFreeGpsMp4},
    {30, 39, "freeGPS TS", ContainerMpegTs, nullptr, readFreeGpsTs},
    // GPMF, text and binary metadata tracks in one pass over moov's track handlers.
    // Codes 40-49, 56-59, 65-67 and 69.
    {40, 69, "metadata tracks", ContainerIsoBmff, notAmbarellaText, readMetaTracks},
    // Codes 50-54, 68, 71 and 72.
    {50, 72, "top-level atoms", ContainerIsoBmff, nullptr, readGps0Atoms},
    // Codes 55 and 70.
    {55, 70, "trailers after the last box", ContainerAny, nullptr, readHashTrailer},
    // Further cameras: atoms first (look-ups in the shared tree), then tracks, then trailers,
    // which read the file's end. Insta360 trailers also end INSP photos.
    {80, 80, codeName(80), ContainerIsoBmff, nullptr, readKenwoodUdta},
    {82, 82, codeName(82), ContainerIsoBmff, nullptr, readTomTomTtad},
    {84, 84, codeName(84), ContainerIsoBmff, nullptr, readFly360Uuid},
    {85, 85, codeName(85), ContainerIsoBmff, notAmbarellaText, readDjiTextTrack},
    {86, 86, codeName(86), ContainerIsoBmff, nullptr, readParrotMett},
    {81, 81, codeName(81), ContainerIsoBmff, nullptr, readAutoVoxTrailer},
    {83, 83, codeName(83), ContainerAny, nullptr, readInsta360Trailer},
    {60, 64, "sidecar files", ContainerAny, nullptr, readSidecars},
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
    if (!m_shared->tree) {
        m_shared->tree = std::make_shared<Mp4AtomTree>();
        m_shared->tree->walk(src);
    }
    return *m_shared->tree;
}

const LayoutRow *layoutTable(int *count)
{
    *count = int(sizeof kRows / sizeof kRows[0]);
    return kRows;
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

namespace {

bool anyPosition(const AssistInfoList &samples)
{
    return std::any_of(samples.cbegin(), samples.cend(),
                       [](const AssistInfo &s) { return s.hasPosition; });
}

} // namespace

LayoutResult readLayouts(ByteSource &src, const ReadContext &ctxIn)
{
    ReadContext ctx = ctxIn;
    if (ctx.container == ContainerKind::Unknown)
        ctx.container = classifyContainer(src);
    const unsigned bit = containerBit(ctx.container);
    LayoutResult chip;
    for (const LayoutRow &row : kRows) {
        if ((row.where & bit) == 0 || (row.applies != nullptr && !row.applies(ctx)))
            continue;
        LayoutResult r = row.read(src, ctx);
        if (r.code != 0 && !row.chip)
            r.name = layoutName(r.code);
        if (r.name.isEmpty())
            r.name = QString::fromLatin1(row.name);
        if (row.chip) {
            // The detected chip layout stands unless it has no position and a later row has.
            chip = r;
            if (anyPosition(chip.samples))
                return chip;
            continue;
        }
        if (r.status == ReadStatus::Damaged)
            qDebug() << "layout" << row.name << "damaged:" << r.code << r.name;
        if (r.status != ReadStatus::Found || r.samples.isEmpty())
            continue;
        putInTimeOrder(&r.samples);
        r.readerCount = chip.readerCount;
        qDebug() << "layout" << row.name << "found:" << r.code << r.name << r.samples.size();
        return r;
    }
    return chip;
}

QString layoutName(int code)
{
    const char *name = codeName(code);
    return name ? QString::fromLatin1(name) : QString();
}

QString deviceLayoutName(DeviceType device, int gpsLength)
{
    if (device == DeviceNovatekFrameTail && gpsLength != 0)
        return QString::fromLatin1(kLayout5Indexed);
    const QString name = layoutName(int(device));
    return name.isEmpty() ? QStringLiteral("layout %1").arg(int(device)) : name;
}
