#include "telemetryloader.h"

#include "assistfile.h"
#include "bytesource.h"
#include "layouttable.h"
#include "mp4/mp4file.h"
#include "mp4/mp4v2parsefile.h"

#include <QDebug>
#include <algorithm>

namespace {

using LayoutReader = int (*)(AssistFile &, ByteSource &, int gpsLength);

// The one place that maps a layout code to the reader of its telemetry. Codes without an entry
// (0, 3) have no reader; code 6 is read by the MP4 track reader instead.
struct LayoutEntry
{
    DeviceType device;
    LayoutReader read;
};

const LayoutEntry kLayoutReaders[] = {
    {DeviceAmbarellaTab, [](AssistFile &f, ByteSource &s, int) { return f.readTabTextTrack(s); }},
    {DeviceAmbarellaA7L, [](AssistFile &f, ByteSource &s, int) { return f.readTabTextTrack(s); }},
    {DeviceNovatekAligned,
     [](AssistFile &f, ByteSource &s, int) { return f.readAlignedBlocks(s); }},
    {DeviceNovatekFrameTail,
     [](AssistFile &f, ByteSource &s, int L) {
         // With a gps box the block positions come from the index table at the file's end.
         return L != 0 ? f.readIndexedBlocks(s, L) : f.readFrameTailBlocks(s);
     }},
    {DeviceNovatekIndexed,
     [](AssistFile &f, ByteSource &s, int L) { return f.readIndexedBlocksV2(s, L); }},
    {DeviceNovatekMasked,
     [](AssistFile &f, ByteSource &s, int L) { return f.readMaskedBlocks(s, L); }},
    {DeviceTorvenTrailer, [](AssistFile &f, ByteSource &s, int) { return f.readTrailerRecords(s); }},
};

bool readsAsZero(const QString &coordinate)
{
    return coordinate.toDouble() == 0.0;
}

bool anyPosition(const AssistInfoList &samples)
{
    return std::any_of(samples.cbegin(), samples.cend(),
                       [](const AssistInfo &s) { return s.hasPosition; });
}

// The chip layouts time a sample by the second it belongs to where the reader knows it, else by
// its place in the list.
void timeByIndex(AssistInfoList *samples)
{
    for (int i = 0; i < samples->size(); ++i) {
        if (samples->at(i).timeMs < 0)
            (*samples)[i].timeMs = qint64(i) * 1000;
    }
}

} // namespace

TelemetryLoad loadTelemetry(const QString &path, mp4v2ParseFile *mp4Reader)
{
    ByteSource src(path);
    if (!src.isOpen()) {
        // Same outcome as a file that no check recognises.
        TelemetryLoad load;
        load.error = src.errorString();
        load.layoutName = deviceLayoutName(load.device, 0);
        qDebug() << "sFile:" << path << load.error;
        qDebug() << "node:" << int(load.device);
        qDebug("device type:%d,count:%d", int(load.device), load.readerCount);
        return load;
    }
    return loadTelemetry(src, mp4Reader, path);
}

TelemetryLoad loadTelemetry(ByteSource &src, mp4v2ParseFile *mp4Reader, const QString &path)
{
    TelemetryLoad load;
    AssistFile assist;
    load.device = detectDevice(src, &load.gpsLength, path);
    qDebug() << "node:" << int(load.device);

    if (load.device == DeviceMakerTrack) {
        mp4v2ParseFile local;
        mp4v2ParseFile *reader = mp4Reader != nullptr ? mp4Reader : &local;
        MP4EnableGPMDAtom(1);
        if (std::unique_ptr<Mp4File> file = Mp4File::open(src))
            load.samples = reader->parseOpenFile(file.get());
        load.readerCount = load.samples.size();
        load.fromMp4Track = !load.samples.isEmpty();
    } else {
        for (const LayoutEntry &entry : kLayoutReaders) {
            if (entry.device == load.device) {
                load.readerCount = entry.read(assist, src, load.gpsLength);
                break;
            }
        }
    }
    qDebug("device type:%d,count:%d", int(load.device), load.readerCount);

    const AssistInfoList &found = assist.samples();
    for (int i = 0; i < found.size(); ++i) {
        const AssistInfo &info = found.at(i);
        if (readsAsZero(info.longitude) || readsAsZero(info.latitude)) {
            qDebug().noquote() << QStringLiteral("################ latitude:%1,%2,%3,%4,%5,%6")
                                      .arg(info.longitude, info.latitude)
                                      .arg(i + 1)
                                      .arg(double(info.x))
                                      .arg(double(info.y))
                                      .arg(double(info.z));
        }
        load.samples.append(info);
    }
    timeByIndex(&load.samples);
    load.layoutCode = int(load.device);
    load.layoutName = deviceLayoutName(load.device, load.gpsLength);

    if (anyPosition(load.samples))
        return load;
    ReadContext ctx;
    ctx.path = path;
    ctx.container = classifyContainer(src);
    LayoutResult more = readRealCameraLayouts(src, ctx);
    if (more.status == ReadStatus::Found && !more.samples.isEmpty()) {
        load.samples = more.samples;
        load.fromMp4Track = false;
        load.layoutCode = more.code;
        load.layoutName = more.name;
    }
    return load;
}
