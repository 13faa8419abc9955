// Each raw reader on three minutes of telemetry (one block a second) spread over a 2 GB sparse
// file, warm cache. Reports the time per file and, as counters, the bytes pulled from the file
// and the samples found. Debug lines are discarded: the figure is the reader's own cost.
//
//   bench_telemetry_readers [--benchmark_filter=...]   (files go to $TMPDIR, removed at exit)

#include "assistfile.h"
#include "bytesource.h"
#include "telemetry_fixtures.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>

using namespace fixtures;

namespace {

constexpr int seconds = 180;
constexpr qint64 fileSize = qint64(2) << 30;
constexpr qint64 spacing = fileSize / (seconds + 1);

const QByteArray rmc = "$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,A*57";

QTemporaryDir *g_dir = nullptr;

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

// Grows the file to 2 GB with a hole at its end where the layout allows it (box-walk files
// keep moov last and tail layouts their table last, so those are spread instead).
QString writeFixture(const char *name, const SparseFile &f)
{
    const QString path = g_dir->filePath(QString::fromLatin1(name));
    if (!f.writeTo(path))
        qFatal("cannot write %s", name);
    return path;
}

struct Layout
{
    const char *name;
    QString path;
    std::function<int(AssistFile &, const QString &)> read;
};

QList<Layout> &layouts()
{
    static QList<Layout> list;
    return list;
}

void makeFixtures()
{
    QList<QByteArray> aligned, tail, idx, idx2, masked, records, lines;
    for (int i = 0; i < seconds; ++i) {
        aligned << alignedBlock(i, -i, 1000, rmc, "12345678");
        tail << frameTailBlock(900, i, 1000, rmc);
        idx << indexedBlock(800 + i, i, 1024, rmc);
        idx2 << indexedBlockV2(i, i, 1024, rmc);
        masked << maskedBlock("N22321234E114031234", "42", "+098-012+100");
        records << trailerRecord(-512, 3, 1024, 'A', 'W', 'S', 118, 30, i, 22, 15, 0, 50, 90);
        lines << tabLine(120, -35, 981, rmc);
    }
    auto &l = layouts();
    l << Layout{"aligned_one_track", writeFixture("l4a.mp4", alignedOneTrackFile(aligned, spacing)),
                [](AssistFile &f, const QString &p) { return f.readAlignedBlocks(p); }};
    l << Layout{"aligned_two_tracks", writeFixture("l4b.mp4", alignedTwoTrackFile(aligned, spacing)),
                [](AssistFile &f, const QString &p) { return f.readAlignedBlocks(p); }};
    l << Layout{"frame_tail", writeFixture("l5.mp4", frameTailFile(tail, spacing)),
                [](AssistFile &f, const QString &p) { return f.readFrameTailBlocks(p); }};
    l << Layout{"tab_text_track", writeFixture("l1.mp4", tabTextTrackFile(lines, 3, spacing)),
                [](AssistFile &f, const QString &p) { return f.readTabTextTrack(p); }};
    l << Layout{"trailer_records", writeFixture("l9.mp4", trailerFile(records, "GPS&", fileSize)),
                [](AssistFile &f, const QString &p) { return f.readTrailerRecords(p); }};
    l << Layout{"indexed_blocks",
                writeFixture("l5i.mp4", indexedFile(idx, IndexKind::Indexed, spacing)),
                [](AssistFile &f, const QString &p) { return f.readIndexedBlocks(p, seconds); }};
    l << Layout{"indexed_blocks_v2",
                writeFixture("l7.mp4", indexedFile(idx2, IndexKind::IndexedV2, spacing)),
                [](AssistFile &f, const QString &p) { return f.readIndexedBlocksV2(p, seconds); }};
    l << Layout{"masked_blocks",
                writeFixture("l8.mp4", indexedFile(masked, IndexKind::Masked, spacing)),
                [](AssistFile &f, const QString &p) { return f.readMaskedBlocks(p, seconds); }};
}

void readerBenchmark(benchmark::State &state, const Layout *layout)
{
    int samples = 0;
    ByteSource::resetTotalBytesRead();
    for (auto _ : state) {
        AssistFile f;
        samples = layout->read(f, layout->path);
        benchmark::DoNotOptimize(samples);
    }
    const double files = double(state.iterations());
    state.counters["bytes_read"] = double(ByteSource::totalBytesRead()) / files;
    state.counters["samples"] = samples;
    state.counters["file_MB"] = double(QFile(layout->path).size()) / (1024.0 * 1024.0);
    if (samples != seconds)
        state.SkipWithError("reader did not find one sample per second");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    QTemporaryDir dir;
    g_dir = &dir;
    makeFixtures();
    for (const Layout &l : layouts())
        benchmark::RegisterBenchmark(l.name, readerBenchmark, &l)->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
