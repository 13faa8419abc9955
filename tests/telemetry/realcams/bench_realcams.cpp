// Cost of the metadata-track, atom, trailer and sidecar readers: what all of them together add to
// a recording that has none of their layouts (time and bytes read), and a 3-minute GPMF
// recording read warm. Built with -DBUILD_BENCHMARKS=ON; run by hand, never as a test.

#include "bytesource.h"
#include "realcam_fixtures.h"
#include "realcams.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace rcfx;

namespace {

// Three minutes of 30 fps video and 48 kHz AAC (1024 samples a frame): sample tables of the
// size a camera writes, moov at the end.
QByteArray plainRecording()
{
    mp4fx::TrackPlan video;
    video.handler = "vide";
    video.sampleEntry = "avc1";
    video.trackId = 1;
    video.timeScale = 30000;
    video.sampleDelta = 1001;
    for (int i = 0; i < 180 * 30; ++i)
        video.samples.append(QByteArray(i % 30 == 0 ? 600 : 120, '\x21'));
    video.samplesPerChunk = {15};
    mp4fx::TrackPlan audio;
    audio.handler = "soun";
    audio.sampleEntry = "mp4a";
    audio.trackId = 2;
    audio.timeScale = 48000;
    audio.sampleDelta = 1024;
    for (int i = 0; i < 180 * 47; ++i)
        audio.samples.append(QByteArray(40, '\x42'));
    audio.samplesPerChunk = {23};
    mp4fx::FilePlan plan;
    plan.tracks = {video, audio};
    return mp4fx::buildMp4(plan);
}

QByteArray gpmfRecording()
{
    QList<GpmfPayload> payloads;
    const QList<Fix> r = route(180 * 18, 46.0, 7.0);
    for (int s = 0; s < 180; ++s) {
        GpmfPayload p;
        p.gps = r.mid(s * 18, 18);
        for (int i = 0; i < 200; ++i)
            p.accl << qint16(i) << qint16(-i) << qint16(4100);
        payloads.append(p);
    }
    return gpmfFile(payloads);
}

struct Files
{
    QTemporaryDir dir;
    QString plain, gpmf;
    Files()
    {
        plain = dir.filePath("20250101_101500_NF.mp4");
        gpmf = dir.filePath("GX010001.MP4");
        mp4fx::writeFile(plain, plainRecording());
        mp4fx::writeFile(gpmf, gpmfRecording());
    }
};

Files &files()
{
    static Files f;
    return f;
}

void BM_AllReadersRejectAPlainRecording(benchmark::State &state)
{
    const QString path = files().plain;
    const ReadContext ctx{path};
    quint64 bytes = 0;
    for (auto _ : state) {
        ByteSource src(path);
        ByteSource::resetTotalBytesRead();
        int found = 0;
        for (LayoutReadFn fn : {readGpmfTrack, readTextMetaTrack, readBinaryMetaTrack,
                 readGps0Atoms, readHashTrailer, readSidecars})
            found += fn(src, ctx).status == ReadStatus::Found;
        bytes = ByteSource::totalBytesRead();
        benchmark::DoNotOptimize(found);
    }
    state.counters["bytes_read"] = double(bytes);
}
BENCHMARK(BM_AllReadersRejectAPlainRecording)->Unit(benchmark::kMicrosecond);

// The same with the three track readers run over one pass of the track list.
void BM_OnePassRejectsAPlainRecording(benchmark::State &state)
{
    const QString path = files().plain;
    const ReadContext ctx{path};
    quint64 bytes = 0;
    for (auto _ : state) {
        ByteSource src(path);
        ByteSource::resetTotalBytesRead();
        int found = 0;
        for (LayoutReadFn fn : {readMetaTracks, readGps0Atoms, readHashTrailer, readSidecars})
            found += fn(src, ctx).status == ReadStatus::Found;
        bytes = ByteSource::totalBytesRead();
        benchmark::DoNotOptimize(found);
    }
    state.counters["bytes_read"] = double(bytes);
}
BENCHMARK(BM_OnePassRejectsAPlainRecording)->Unit(benchmark::kMicrosecond);

void BM_GpmfThreeMinutesWarm(benchmark::State &state)
{
    const QString path = files().gpmf;
    const ReadContext ctx{path};
    int samples = 0;
    for (auto _ : state) {
        ByteSource src(path);
        samples = readGpmfTrack(src, ctx).samples.size();
    }
    state.counters["samples"] = samples;
}
BENCHMARK(BM_GpmfThreeMinutesWarm)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
