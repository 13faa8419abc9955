// loadTelemetry end to end, one recording of three minutes per layout code: what opening a
// recording costs the GUI thread. Files are written once into a temporary folder (the raw
// layouts as sparse files of realistic size). Arguments 100 and 101 are 2 GB recordings of 30
// minutes without telemetry (101 with a udta text): the bytes_read counter is what classifying
// them costs.
//
// After the benchmarks, zevidud-telemetry runs as a whole process on the 2 GB recording,
// alternating with a Qt Core program that only opens the file; the medians and their ratio are
// printed (the tool should stay within 1.3 times the floor).

#include "bytesource.h"
#include "mp4/mp4v2parsefile.h"
#include "mp4_fixtures.h"
#include "telemetry_fixtures.h"
#include "telemetryloader.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kSeconds = 180;
const QByteArray kRmc = "$GPRMC,092750.000,A,2232.1234,N,11403.1234,E,10.0,77.52,230394,,,\r\n";

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    // ZEVIDUD_BENCH_KEEP keeps the recordings (for profiling the tool on them by hand).
    static const bool keep = [] {
        dir.setAutoRemove(qEnvironmentVariableIsEmpty("ZEVIDUD_BENCH_KEEP"));
        if (!dir.autoRemove())
            std::fprintf(stderr, "recordings kept in %s\n", qPrintable(dir.path()));
        return true;
    }();
    Q_UNUSED(keep);
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
        TrackPlan video;
        video.samples.reserve(kSeconds * 30);
        for (int f = 0; f < kSeconds * 30; ++f)
            video.samples.append(QByteArray(64, 'v'));
        video.samplesPerChunk = {30};
        TrackPlan meta;
        meta.handler = "meta";
        meta.trackId = 2;
        MetaRecord r;
        r.latDegrees = 22;
        r.lonDegrees = 114;
        for (int s = 0; s < kSeconds; ++s)
            meta.samples.append(metaRecord(r));
        FilePlan layout;
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
    case 40: // layout 4 with its 180 blocks spread over 2 GB
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(alignedBlock(500, 20, 980, kRmc, "12345678"));
        return writeSparse("layout4-2G.mp4",
                           alignedOneTrackFile(blocks, (qint64(2) << 30) / (kSeconds + 1)));
    case 100:
        return writeSparse("plain-2G.mp4", plainRecordingFile(1800, 1200000));
    case 101:
        return writeSparse("plain-2G-udta.mp4",
                           plainRecordingFile(1800, 1200000, "infoLavf58.76.100"));
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
    int layout = -1;
    for (auto _ : state) {
        const TelemetryLoad load = loadTelemetry(path, &reader);
        samples = load.samples.size();
        device = int(load.device);
        layout = load.layoutCode;
        benchmark::DoNotOptimize(samples);
    }
    state.counters["device"] = device;
    state.counters["layout"] = layout;
    state.counters["samples"] = samples;
    state.counters["bytes_read"] =
        double(ByteSource::totalBytesRead() - before) / double(state.iterations());
    state.counters["file_MB"] = double(QFileInfo(path).size()) / (1 << 20);
}

} // namespace

// 50 stands for layout 5 read through its index table.
BENCHMARK(loadRecording)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(5)->Arg(50)->Arg(6)->Arg(7)
    ->Arg(8)->Arg(9)->Arg(40)->Arg(100)->Arg(101)->Unit(benchmark::kMicrosecond);

// Crafted 16 MB files (floods of boxes, huge counts, overlapping samples) from memory, and a
// sparse 10 GB file of zeros: each must load in well under 0.1 s.
void loadHostile(benchmark::State &state)
{
    static const QList<fixtures::HostileShape> shapes = fixtures::hostileShapes(16 << 20);
    const int which = int(state.range(0));
    QString path;
    QByteArray bytes;
    if (which < shapes.size()) {
        bytes = shapes.at(which).bytes;
        state.SetLabel(shapes.at(which).name);
    } else {
        fixtures::SparseFile zeros;
        zeros.size = qint64(10) << 30;
        path = writeSparse("zeros-10G.mp4", zeros);
        state.SetLabel("sparse 10 GB");
    }
    mp4v2ParseFile reader;
    const quint64 before = ByteSource::totalBytesRead();
    int samples = 0;
    for (auto _ : state) {
        ByteSource src = path.isEmpty() ? ByteSource::fromBytes(bytes) : ByteSource(path);
        const TelemetryLoad load = loadTelemetry(src, &reader);
        samples = load.samples.size();
        benchmark::DoNotOptimize(samples);
    }
    state.counters["samples"] = samples;
    state.counters["bytes_read"] =
        double(ByteSource::totalBytesRead() - before) / double(state.iterations());
}
BENCHMARK(loadHostile)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

namespace {

double childCpuMs()
{
    struct rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3
        + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Wall time of one run; *cpu gets the CPU time (user + system) it took, which a machine busy
// with other work disturbs far less.
double runOnce(const QString &program, const QStringList &args, double *cpu = nullptr)
{
    const double cpuBefore = childCpuMs();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.waitForFinished(30000);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (cpu != nullptr)
        *cpu = childCpuMs() - cpuBefore;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Both programs in turns, so that the machine's load falls on both alike.
void compareWholeProcesses(int layout, const char *what, int rounds)
{
    const QString path = recording(layout);
    runOnce(ZEVIDUD_TELEMETRY_TOOL, {path}); // warm the cache and the loader
    runOnce(ZEVIDUD_OPEN_ONLY, {path});
    std::vector<double> tool, floor, toolCpu, floorCpu;
    for (int i = 0; i < rounds; ++i) {
        double cpu = 0;
        floor.push_back(runOnce(ZEVIDUD_OPEN_ONLY, {path}, &cpu));
        floorCpu.push_back(cpu);
        tool.push_back(runOnce(ZEVIDUD_TELEMETRY_TOOL, {path}, &cpu));
        toolCpu.push_back(cpu);
    }
    const double t = median(tool);
    const double f = median(floor);
    const double tc = median(toolCpu);
    const double fc = median(floorCpu);
    std::printf("whole process on a 2 GB recording %s, median of %d runs:\n"
                "  wall: zevidud-telemetry %.2f ms, open-only Qt Core program %.2f ms, ratio %.3f\n"
                "  cpu:  zevidud-telemetry %.2f ms, open-only Qt Core program %.2f ms, ratio %.3f "
                "(target <= 1.3)\n",
                what, rounds, t, f, f > 0 ? t / f : 0.0, tc, fc, fc > 0 ? tc / fc : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    // The readers log every sample; measure the reading, not the terminal.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (qEnvironmentVariableIsEmpty("ZEVIDUD_BENCH_NO_PROCESSES")) {
        compareWholeProcesses(40, "with 180 blocks (layout 4)", 60);
        compareWholeProcesses(100, "without telemetry", 60);
    }
    return 0;
}
