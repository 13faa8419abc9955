// Loading the telemetry of a drive's recordings on the worker thread: real recordings written
// by the fixture writer, results compared with a direct load.

#include "driveloader.h"
#include "telemetry_fixtures.h"
#include "telemetryloader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kRmc = "$GPRMC,092750.000,A,2232.1234,N,11403.1234,E,10.0,77.52,230394,,,\r\n";

// A frame-tail recording with one block a second, every block's X axis at x milli-g.
bool writeRecording(const QString &path, int seconds, int x)
{
    QList<QByteArray> blocks;
    for (int s = 0; s < seconds; ++s)
        blocks.append(fixtures::frameTailBlock(x, 0, 0, kRmc));
    return fixtures::frameTailFile(blocks).writeTo(path);
}

} // namespace

class TestDriveLoader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void reportsEveryClipInOrder();
    void cachedByPathSizeAndTime();
    void newLoadCancelsTheRunningOne();
    void cancelStopsReporting();
    void destroyedWhileLoading();
    void fillsADrive();
    void findsTheDriveOfARecording();

private:
    QString recording(int i) const { return m_dir.filePath(QStringLiteral("clip%1.MP4").arg(i)); }
    QStringList manyPaths(int count) const;

    QTemporaryDir m_dir;
};

void TestDriveLoader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (int i = 0; i < 4; ++i)
        QVERIFY(writeRecording(recording(i), i + 2, 300 * (i + 1)));
}

QStringList TestDriveLoader::manyPaths(int count) const
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.append(recording(i % 4));
    return paths;
}

void TestDriveLoader::reportsEveryClipInOrder()
{
    DriveLoader loader;
    QSignalSpy clips(&loader, &DriveLoader::clipLoaded);
    QSignalSpy finished(&loader, &DriveLoader::loadFinished);
    QStringList paths = manyPaths(4);
    paths.insert(2, m_dir.filePath(QStringLiteral("missing.MP4")));
    const int id = loader.load(paths);
    QCOMPARE(loader.currentLoad(), id);
    // Nothing is read on the calling thread: the results arrive through the event loop.
    QCOMPARE(clips.count(), 0);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toInt(), id);

    QCOMPARE(clips.count(), paths.size());
    for (int i = 0; i < clips.count(); ++i) {
        const QList<QVariant> args = clips.at(i);
        QCOMPARE(args.at(0).toInt(), id);
        QCOMPARE(args.at(1).toInt(), i);
        QCOMPARE(args.at(2).toString(), paths.at(i));
        const AssistInfoList samples = args.at(3).value<AssistInfoList>();
        const TelemetryLoad load = loadTelemetry(paths.at(i), nullptr);
        const AssistInfoList &direct = load.samples;
        QCOMPARE(samples.size(), direct.size());
        for (int k = 0; k < samples.size(); ++k)
            QCOMPARE(samples.at(k).x, direct.at(k).x);
    }
    QCOMPARE(clips.at(2).at(3).value<AssistInfoList>().size(), 0); // the missing file
    QCOMPARE(clips.at(4).at(3).value<AssistInfoList>().size(), 5);
}

void TestDriveLoader::cachedByPathSizeAndTime()
{
    const QString path = m_dir.filePath(QStringLiteral("cached.MP4"));
    QVERIFY(writeRecording(path, 3, 500));
    DriveLoader loader;
    QSignalSpy clips(&loader, &DriveLoader::clipLoaded);
    QSignalSpy finished(&loader, &DriveLoader::loadFinished);
    auto loadOnce = [&]() {
        clips.clear();
        loader.load({path});
        return finished.wait(10000) && clips.count() == 1
                   ? clips.first().at(3).value<AssistInfoList>()
                   : AssistInfoList();
    };
    const AssistInfoList first = loadOnce();
    QCOMPARE(first.size(), 3);
    const float firstX = first.first().x;

    // Other bytes of the same size under the same time: the cached result comes back.
    const QDateTime modified = QFileInfo(path).lastModified();
    const qint64 size = QFileInfo(path).size();
    QVERIFY(writeRecording(path, 3, 900));
    QCOMPARE(QFileInfo(path).size(), size);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    QCOMPARE(loadOnce().first().x, firstX);

    // A new modification time reads the file again.
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(modified.addSecs(10), QFileDevice::FileModificationTime));
    }
    const AssistInfoList reread = loadOnce();
    QCOMPARE(reread.size(), 3);
    QVERIFY(reread.first().x != firstX);
    QCOMPARE(reread.first().x, loadTelemetry(path, nullptr).samples.first().x);

    // A new size too, whatever the time.
    QVERIFY(writeRecording(path, 4, 900));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(modified.addSecs(10), QFileDevice::FileModificationTime));
    }
    QCOMPARE(loadOnce().size(), 4);
}

void TestDriveLoader::newLoadCancelsTheRunningOne()
{
    DriveLoader loader;
    QSignalSpy clips(&loader, &DriveLoader::clipLoaded);
    QSignalSpy finished(&loader, &DriveLoader::loadFinished);
    const int first = loader.load(manyPaths(200));
    const int second = loader.load(manyPaths(2));
    QVERIFY(second != first);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toInt(), second);
    QCOMPARE(clips.count(), 2);
    for (const QList<QVariant> &args : qAsConst(clips))
        QCOMPARE(args.at(0).toInt(), second);
}

void TestDriveLoader::cancelStopsReporting()
{
    DriveLoader loader;
    QSignalSpy clips(&loader, &DriveLoader::clipLoaded);
    QSignalSpy finished(&loader, &DriveLoader::loadFinished);
    loader.load(manyPaths(200));
    QVERIFY(clips.wait(10000)); // it is running
    loader.cancel();
    // Files from the cache come so fast that the whole load, its end included, may have been
    // delivered with its first clip: what counts is that nothing of it comes after the cancel.
    const int seen = clips.count();
    const int ended = finished.count();
    // The loader is still usable, and what the next load reports comes after anything the
    // cancelled one still had on its way: none of that is the cancelled load's.
    const int id = loader.load(manyPaths(1));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), ended + 1);
    QCOMPARE(finished.last().at(0).toInt(), id);
    QCOMPARE(clips.count(), seen + 1);
    QCOMPARE(clips.last().at(0).toInt(), id);
}

void TestDriveLoader::destroyedWhileLoading()
{
    auto *loader = new DriveLoader;
    QSignalSpy clips(loader, &DriveLoader::clipLoaded);
    loader->load(manyPaths(500));
    QVERIFY(clips.wait(10000));
    delete loader; // cancels, waits for the file being read, and returns
    QCoreApplication::processEvents();
}

void TestDriveLoader::fillsADrive()
{
    // Three recordings of 3, 4 and 5 s as they would be wired: each result into the model.
    QList<DriveRecording> recordings;
    for (int i = 1; i < 4; ++i) {
        DriveRecording r;
        r.channels = QStringList{recording(i)};
        r.durationMs = (i + 2) * 1000;
        recordings.append(r);
    }
    Drive drive(recordings);
    DriveLoader loader;
    connect(&loader, &DriveLoader::clipLoaded, this,
            [&](int, int index, const QString &, const AssistInfoList &samples) {
                drive.setClipSamples(index, samples);
            });
    QSignalSpy finished(&loader, &DriveLoader::loadFinished);
    loader.load(drive.recordingPaths());
    QVERIFY(finished.wait(10000));
    QCOMPARE(drive.samples().size(), 12);
    // The first sample of the second recording, 3 s into the drive, comes from its file.
    const int atBoundary = drive.sampleIndexAt(3000);
    QCOMPARE(atBoundary, 3);
    QCOMPARE(drive.sampleClips().at(atBoundary), 1);
    QCOMPARE(drive.samples().at(atBoundary).x,
             loadTelemetry(recording(2), nullptr).samples.first().x);
    QVERIFY(drive.samples().at(2).x != drive.samples().at(atBoundary).x);
}

void TestDriveLoader::findsTheDriveOfARecording()
{
    // Three clips of camera A 5 s apart, another drive two hours later, and camera B's partner
    // of the second clip: the drive of the second clip is the first three A files, in order,
    // with the B file as partner; its telemetry follows.
    const QStringList names{"20240101_100010_0003A.MP4", "20240101_100000_0001A.MP4",
                            "20240101_120000_0009A.MP4", "20240101_100005_0002A.MP4",
                            "20240101_100005_0002B.MP4"};
    QStringList paths;
    for (const QString &name : names) {
        paths << m_dir.filePath(name);
        QVERIFY(writeRecording(paths.last(), 2, 100));
    }
    DriveLoader loader;
    QSignalSpy found(&loader, &DriveLoader::driveFound);
    QSignalSpy clips(&loader, &DriveLoader::clipLoaded);
    QSignalSpy finished(&loader, &DriveLoader::loadFinished);
    const int id = loader.loadDriveOf(paths, paths.at(3));
    QVERIFY(finished.wait(10000));
    QCOMPARE(found.count(), 1);
    QCOMPARE(found.first().at(0).toInt(), id);
    const auto recordings = found.first().at(1).value<QList<DriveRecording>>();
    QCOMPARE(recordings.size(), 3);
    QCOMPARE(recordings.at(0).path(), paths.at(1));
    QCOMPARE(recordings.at(1).channels, QStringList({paths.at(3), paths.at(4)}));
    QCOMPARE(recordings.at(2).path(), paths.at(0));
    // The recording opened is read first, then the one after it, then the one before it: each
    // reported with its place in the drive.
    QCOMPARE(clips.count(), 3);
    const QList<QPair<int, QString>> order{{1, paths.at(3)}, {2, paths.at(0)}, {0, paths.at(1)}};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(clips.at(i).at(1).toInt(), order.at(i).first);
        QCOMPARE(clips.at(i).at(2).toString(), order.at(i).second);
    }

    // A file outside the list is a drive of its own.
    found.clear();
    loader.loadDriveOf({}, recording(0));
    QVERIFY(finished.wait(10000));
    QCOMPARE(found.first().at(1).value<QList<DriveRecording>>().size(), 1);
}

QTEST_GUILESS_MAIN(TestDriveLoader)
#include "test_driveloader.moc"
