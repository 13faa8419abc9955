// Measures the drive grouping of a large library and the drive-time lookups. Prints the time
// per operation; run by hand (built with BUILD_BENCHMARKS), never as a test.

#include "drive.h"
#include "driveevents.h"
#include "drivegrouping.h"
#include "driveloader.h"
#include "drivesettings.h"
#include "telemetry_fixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// A library of count entries: three cameras, drives of 1 to 240 one-minute clips with stops of
// an hour between them, listed in a shuffled order as a folder scan may give them.
QList<LibraryEntry> library(int count)
{
    QRandomGenerator rng(11);
    QList<LibraryEntry> entries;
    qint64 start = 1577836800000; // 2020-01-01
    const QString letters = QStringLiteral("ABC");
    while (entries.size() < count) {
        const int clips = 1 + int(rng.bounded(240));
        for (int c = 0; c < clips && entries.size() < count; ++c) {
            for (int l = 0; l < 3 && entries.size() < count; ++l) {
                LibraryEntry e;
                e.channel = letters.at(l);
                e.path = QStringLiteral("/card/%1_%2%3.MP4").arg(start).arg(c).arg(e.channel);
                e.startMs = start;
                e.durationMs = 60000 + qint64(rng.bounded(900));
                entries.append(e);
            }
            start += 60000;
        }
        start += 3600000;
    }
    for (int i = entries.size() - 1; i > 0; --i)
        entries.swapItemsAt(i, int(rng.bounded(i + 1)));
    return entries;
}

template <typename F>
double msPerRun(int runs, F &&f)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        f();
    return double(timer.nsecsElapsed()) / 1e6 / runs;
}

volatile qint64 g_sink = 0;

// Loads paths into a drive through a DriveLoader; prints the time until every recording is in
// and the longest the event loop went without running a 5 ms timer.
void measureLoad(DriveLoader &loader, Drive &drive, const char *what)
{
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = qMax(longestStall, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    const QMetaObject::Connection fill = QObject::connect(
        &loader, &DriveLoader::clipLoaded,
        [&](int, int index, const QString &, const AssistInfoList &samples, bool mp4Track) {
            drive.setClipSamples(index, samples, mp4Track);
        });
    const QMetaObject::Connection done =
        QObject::connect(&loader, &DriveLoader::loadFinished, &loop, &QEventLoop::quit);
    clock.start();
    ticker.start();
    loader.load(drive.recordingPaths());
    loop.exec();
    const qint64 total = clock.elapsed();
    g_sink = g_sink + drive.samples().size();
    const qint64 withMerge = clock.elapsed();
    QObject::disconnect(fill);
    QObject::disconnect(done);
    std::printf("%s: %d recordings loaded in %lld ms (%lld ms with the merge of %d samples), "
                "longest event-loop stall %lld ms\n",
                what, drive.recordingCount(), total, withMerge, int(drive.samples().size()),
                longestStall);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QList<LibraryEntry> entries = library(10000);

    QList<QList<int>> drives;
    const double groupMs = msPerRun(20, [&] { drives = groupDrives(entries); });
    std::printf("groupDrives, 10000 entries (%d drives): %.3f ms\n", int(drives.size()), groupMs);

    int longest = 0;
    for (int d = 0; d < drives.size(); ++d)
        if (drives.at(d).size() > drives.at(longest).size())
            longest = d;
    const double finderMs = msPerRun(20, [&] {
        const PartnerFinder finder(entries);
        g_sink = g_sink + finder.partnersOf(0).size();
    });
    std::printf("PartnerFinder over 10000 entries: %.3f ms\n", finderMs);
    Drive drive;
    const double buildMs =
        msPerRun(20, [&] { drive = Drive::fromEntries(entries, drives.at(longest)); });
    std::printf("Drive::fromEntries, %d recordings with partners: %.3f ms\n",
                drive.recordingCount(), buildMs);

    const int lookups = 1000000;
    const qint64 total = drive.durationMs();
    const double mapNs = msPerRun(1, [&] {
        for (int i = 0; i < lookups; ++i) {
            const ClipPosition p = drive.driveToClip((qint64(i) * 7919) % total);
            g_sink = g_sink + drive.clipToDrive(p.clip, p.clipMs);
        }
    }) * 1e6 / lookups;
    std::printf("driveToClip + clipToDrive: %.1f ns per pair\n", mapNs);

    for (int clip = 0; clip < drive.recordingCount(); ++clip) {
        AssistInfoList samples;
        for (qint64 t = 0; t < drive.recording(clip).durationMs; t += 1000) {
            AssistInfo s;
            s.timeMs = t;
            s.z = 1.0f + ((t / 1000) % 97 == 0 ? 0.5f : 0.0f);
            samples.append(s);
        }
        drive.setClipSamples(clip, samples);
    }
    const double mergeMs = msPerRun(1, [&] { g_sink = g_sink + drive.samples().size(); });
    std::printf("merging %d samples of the drive: %.3f ms\n", int(drive.samples().size()), mergeMs);
    const double sampleNs = msPerRun(1, [&] {
        for (int i = 0; i < lookups; ++i)
            g_sink = g_sink + drive.sampleIndexAt((qint64(i) * 7919) % total);
    }) * 1e6 / lookups;
    std::printf("sampleIndexAt: %.1f ns per lookup\n", sampleNs);
    QList<qint64> events;
    const double eventsMs = msPerRun(10, [&] {
        events = gSensorEvents(drive.samples(), DriveSettings::defaultEventThresholdG);
    });
    std::printf("gSensorEvents over the drive (%d events): %.3f ms\n", int(events.size()),
                eventsMs);

    // A drive of 240 one-minute recordings of one block a second, written by the fixture writer.
    QTemporaryDir dir;
    QList<DriveRecording> recordings;
    const QByteArray rmc = "$GPRMC,092750.000,A,2232.1234,N,11403.1234,E,10.0,77.52,230394,,,\r\n";
    for (int i = 0; i < 240; ++i) {
        QList<QByteArray> blocks;
        for (int s = 0; s < 60; ++s)
            blocks.append(fixtures::frameTailBlock(100 * (s % 7), 0, 1000, rmc));
        DriveRecording r;
        r.channels = QStringList{dir.filePath(QStringLiteral("clip%1F.MP4").arg(i))};
        r.durationMs = 60000;
        if (!fixtures::frameTailFile(blocks).writeTo(r.channels.first()))
            return 1;
        recordings.append(r);
    }
    DriveLoader loader;
    Drive cold(recordings);
    measureLoad(loader, cold, "first load");
    Drive warm(recordings);
    measureLoad(loader, warm, "again (cached)");
    return 0;
}
