// loadTelemetry end to end, one recording of three minutes per layout code: what opening a
// recording costs the GUI thread. Files are written once into a temporary folder (the raw
// layouts as sparse files of realistic size).

#include "bytesource.h"
#include "mp4/mp4v2parsefile.h"
#include "mp4_fixtures.h"
#include "telemetry_fixtures.h"
#include "telemetryloader.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kSeconds = 180;
const QByteArray kRmc = "$GPRMC,092750.000,A,2232.1234,N,11403.1234,E,10.0,77.52,230394,,,\r\n";

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString writeBytes(const QString &name, const QByteArray &bytes)
{
    const QString path = folder().filePath(name);
    mp4fx::writeFile(path, bytes);
    return path;
}

QString writeSparse(const QString &name, const fixtures::SparseFile &file)
{
    const QString path = folder().filePath(name);
    file.writeTo(path);
    return path;
}

QByteArray mvhd()
{
    return mp4fx::fullBox("mvhd", 0, 0, QByteArray(96, '\0'));
}

QString recording(int layout)
{
    using namespace fixtures;
    using namespace mp4fx;
    constexpr qint64 second = 1 << 20; // ~8 Mbit/s of video between the blocks
    QList<QByteArray> blocks;
    switch (layout) {
    case 1:
    case 2: {
        QList<QByteArray> lines;
        for (int s = 0; s < kSeconds; ++s)
            lines.append(tabLine(120, -35, 981, kRmc.trimmed()));
        QByteArray bytes = tabTextTrackFile(lines).toBytes();
        if (layout == 2)
            bytes.replace("AMBARELLA A12", "AMBARELLA A7L");
        return writeBytes(QStringLiteral("layout%1.mp4").arg(layout), bytes);
    }
    case 3:
        return writeBytes("layout3.mp4", detectionFile({mvhd()}, "ICAT6330"));
    case 4:
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(alignedBlock(500, 20, 980, kRmc, "12345678"));
        return writeSparse("layout4.mp4", alignedOneTrackFile(blocks, second));
    case 5:
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(frameTailBlock(1800, 0, 0, kRmc));
        return writeSparse("layout5.mp4", frameTailFile(blocks, second));
    case 50: // layout 5 with a gps box: index table at the end
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(indexedBlock(1824, 0, 0, kRmc));
        return writeBytes("layout5-indexed.mp4",
                          indexTableFile({mvhd(), gpsBox(1, kSeconds),
                                          udtaBox("info", QByteArray(4, '\0') + "NT9666")},
                                         blocks));
    case 6: {
        TrackSpec video;
        video.samples.reserve(kSeconds * 30);
        for (int f = 0; f < kSeconds * 30; ++f)
            video.samples.append(QByteArray(64, 'v'));
        video.samplesPerChunk = {30};
        TrackSpec meta;
        meta.handler = "meta";
        meta.trackId = 2;
        MetaRecord r;
        r.latDegrees = 22;
        r.lonDegrees = 114;
        for (int s = 0; s < kSeconds; ++s)
            meta.samples.append(metaRecord(r));
        FileSpec layout;
        layout.tracks = {video, meta};
        layout.topBefore = {mp4fx::box("qmdx", "maker")};
        return writeBytes("layout6.mp4", buildMp4(layout));
    }
    case 7:
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(indexedBlockV2(512, 0, 1024, kRmc));
        return writeBytes("layout7.mp4",
                          indexTableFile({gpsBox(1, kSeconds), udtaBox("info", "123456789012NT9667XA")},
                                         blocks, "GPSINDEX", 5120));
    case 8:
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(maskedBlock("N22321234E114031234", "57", "+098-012+100"));
        return writeBytes("layout8.mp4", indexTableFile({gpsBox(1, kSeconds), udtaBox("info", "fmt")},
                                                        blocks, "GPSINDEX"));
    case 9: {
        QList<QByteArray> records;
        for (int s = 0; s < kSeconds; ++s)
            records.append(trailerRecord(512, 0, 1024, 'A', 'W', 'N', 118, 30, 0, 22, 15, 0, 40, 90));
        return writeBytes("layout9.mp4", trailerFile(records, "GPS&", 64 << 20).toBytes());
    }
    default:
        return writeBytes("layout0.txt", "no telemetry here");
    }
}

void loadRecording(benchmark::State &state)
{
    const QString path = recording(int(state.range(0)));
    mp4v2ParseFile reader;
    const quint64 before = ByteSource::totalBytesRead();
    int samples = 0;
    int device = -1;
    for (auto _ : state) {
        const TelemetryLoad load = loadTelemetry(path, &reader);
        samples = load.samples.size();
        device = int(load.device);
        benchmark::DoNotOptimize(samples);
    }
    state.counters["device"] = device;
    state.counters["samples"] = samples;
    state.counters["bytes_read"] =
        double(ByteSource::totalBytesRead() - before) / double(state.iterations());
    state.counters["file_MB"] = double(QFileInfo(path).size()) / (1 << 20);
}

} // namespace

// 50 stands for layout 5 read through its index table.
BENCHMARK(loadRecording)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(5)->Arg(50)->Arg(6)->Arg(7)
    ->Arg(8)->Arg(9)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    // The readers log every sample; measure the reading, not the terminal.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
