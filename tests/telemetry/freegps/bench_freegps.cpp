// The freeGPS readers on recordings of realistic size, warm cache: three minutes with one block
// a second inside a 2 GB sparse MP4 (indexed, unindexed, in free boxes), a 2 GB MP4 without
// telemetry, and a two-minute 25 Mbit/s TS. Counters: bytes pulled from the file per read, and
// for the unindexed scan the bytes read beyond the blocks themselves.
//
//   bench_freegps [--benchmark_filter=...]   (files go to $TMPDIR, removed at exit)

#include "bytesource.h"
#include "freegps.h"
#include "freegps_fixtures.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

ReadContext contextOf(const QString &path)
{
    ReadContext ctx;
    ctx.path = path;
    return ctx;
}

} // namespace

namespace {

constexpr int kSeconds = 180;
constexpr qint64 kFileSize = qint64(2) << 30;
constexpr int kBlockSize = 0x8000;

QTemporaryDir *g_dir = nullptr;

QString mp4File(const char *name, fgfx::Placement placement, bool withBlocks, bool cutShort = false)
{
    fgfx::Mp4Plan plan;
    plan.cutShort = cutShort;
    plan.alignBlocks = cutShort;
    plan.placement = placement;
    for (const fgfx::Fix &f : fgfx::drive(kSeconds))
        plan.blocks.append(withBlocks ? fgfx::block(fgfx::Variant::Type3, {f}, kBlockSize) : QByteArray());
    plan.sparseFrameBytes = kFileSize / (2 * kSeconds);
    if (!withBlocks)
        plan.afterVideoChunk = QByteArray(64, '\0');
    const QString path = g_dir->filePath(QString::fromLatin1(name));
    if (!fgfx::writeMp4(path, plan))
        qFatal("cannot write %s", name);
    return path;
}

QString tsFile()
{
    const QString path = g_dir->filePath(QStringLiteral("two_minutes.ts"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write the TS");
    const QList<fgfx::Fix> fixes = fgfx::drive(120);
    for (const fgfx::Fix &fix : fixes) // 25 Mbit/s: about 16600 packets a second
        f.write(fgfx::ts(fgfx::TsVariant::Record, {{fix}}, 16600));
    return path;
}

void readMp4(benchmark::State &state, const QString &path, qint64 blockBytes)
{
    quint64 bytes = 0;
    int samples = 0;
    for (auto _ : state) {
        ByteSource::resetTotalBytesRead();
        ByteSource src(path);
        const LayoutResult r = readFreeGpsMp4(src, contextOf(path));
        bytes = ByteSource::totalBytesRead();
        samples = r.samples.size();
        benchmark::DoNotOptimize(samples);
    }
    state.counters["bytes_read"] = double(bytes);
    state.counters["beyond_blocks"] = double(qint64(bytes) - blockBytes);
    state.counters["samples"] = samples;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    // Blocks are read 4 KiB at a time; what is read beyond that is the search and the tables.
    const qint64 blockPrefixes = qint64(kSeconds) * 4096;
    const QString indexed = mp4File("indexed.mp4", fgfx::Placement::Index, true);
    const QString gaps = mp4File("gaps.mp4", fgfx::Placement::MdatGaps, true);
    const QString free = mp4File("free.mp4", fgfx::Placement::FreeBoxesB, true);
    const QString plain = mp4File("plain.mp4", fgfx::Placement::MdatGaps, false);
    const QString cut = mp4File("cut_short.mp4", fgfx::Placement::MdatGaps, true, true);
    const QString ts = tsFile();
    benchmark::RegisterBenchmark("mp4_indexed_3min_2GB", [&](benchmark::State &s) { readMp4(s, indexed, blockPrefixes); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("mp4_unindexed_gaps_3min_2GB", [&](benchmark::State &s) { readMp4(s, gaps, blockPrefixes); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("mp4_free_boxes_3min", [&](benchmark::State &s) { readMp4(s, free, blockPrefixes); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("mp4_cut_short_no_moov_3min_2GB", [&](benchmark::State &s) { readMp4(s, cut, blockPrefixes); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("mp4_no_telemetry_2GB", [&](benchmark::State &s) { readMp4(s, plain, 0); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ts_2min_25Mbit", [&](benchmark::State &state) {
        quint64 bytes = 0;
        int samples = 0;
        for (auto _ : state) {
            ByteSource::resetTotalBytesRead();
            ByteSource src(ts);
            samples = readFreeGpsTs(src, contextOf(ts)).samples.size();
            bytes = ByteSource::totalBytesRead();
        }
        state.counters["bytes_read"] = double(bytes);
        state.counters["samples"] = samples;
    })->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
