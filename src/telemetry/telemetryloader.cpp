#include "telemetryloader.h"

#include "bytesource.h"
#include "layoutcommon.h"
#include "layouttable.h"

#include <QDebug>

namespace {

bool readsAsZero(const QString &coordinate)
{
    return coordinate.toDouble() == 0.0;
}

void logZeroCoordinates(const AssistInfoList &samples)
{
    if (!layout::debugOn())
        return;
    for (int i = 0; i < samples.size(); ++i) {
        const AssistInfo &info = samples.at(i);
        if (readsAsZero(info.longitude) || readsAsZero(info.latitude)) {
            qDebug().noquote() << QStringLiteral("################ latitude:%1,%2,%3,%4,%5,%6")
                                      .arg(info.longitude, info.latitude)
                                      .arg(i + 1)
                                      .arg(double(info.x))
                                      .arg(double(info.y))
                                      .arg(double(info.z));
        }
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
    ReadContext ctx;
    ctx.path = path;
    ctx.container = classifyContainer(src);
    ctx.makerTrackReader = mp4Reader;
    load.device = detectDevice(src, ctx.boxes.of(src), &load.gpsLength, path);
    qDebug() << "node:" << int(load.device);
    ctx.chipLayout = int(load.device);
    ctx.gpsLength = load.gpsLength;

    const LayoutResult found = readLayouts(src, ctx);
    const bool chipFound = found.code == int(load.device) && found.code != 0;
    load.readerCount = found.readerCount;
    qDebug("device type:%d,count:%d", int(load.device), load.readerCount);
    if (chipFound)
        logZeroCoordinates(found.samples);
    load.samples = found.samples;
    load.layoutCode = found.code != 0 ? found.code : int(load.device);
    load.layoutName = found.code != 0 ? found.name : deviceLayoutName(load.device, load.gpsLength);
    return load;
}
