// The Drive model: drive time <-> recording time, the samples of the whole drive, events.

#include "drive.h"
#include "driveevents.h"

#include <QtTest>

namespace {

DriveRecording recordingOf(const QString &path, qint64 durationMs)
{
    DriveRecording r;
    r.channels = QStringList{path};
    r.durationMs = durationMs;
    return r;
}

// Three recordings of 60 s, 30.5 s and 60 s.
Drive threeClips()
{
    return Drive({recordingOf("a.mp4", 60000), recordingOf("b.mp4", 30500),
                  recordingOf("c.mp4", 60000)});
}

AssistInfo sampleAt(qint64 ms, float x = 0, float y = 0, float z = 1)
{
    AssistInfo s;
    s.timeMs = ms;
    s.x = x;
    s.y = y;
    s.z = z;
    return s;
}

// One sample a second over [fromMs, toMs).
AssistInfoList everySecond(qint64 fromMs, qint64 toMs)
{
    AssistInfoList list;
    for (qint64 t = fromMs; t < toMs; t += 1000)
        list.append(sampleAt(t));
    return list;
}

// The rows of the event tests are built around this threshold.
constexpr double kThresholdG = 0.35;

} // namespace

class TestDrive : public QObject
{
    Q_OBJECT
private slots:
    void driveToClip_data();
    void driveToClip();
    void clipToDriveIsTheInverse();
    void emptyAndZeroLengthRecordings();
    void steppingByRecording();
    void fromEntriesCarriesPartners();
    void samplesOfTheWholeDrive();
    void untimedSamplesAreOneASecond();
    void gSensorEvents_data();
    void gSensorEvents();
    void eventStepping();
    void cameraEventRecordings();
};

void TestDrive::driveToClip_data()
{
    QTest::addColumn<qint64>("driveMs");
    QTest::addColumn<int>("clip");
    QTest::addColumn<qint64>("clipMs");
    QTest::newRow("start") << qint64(0) << 0 << qint64(0);
    QTest::newRow("before the start clamps") << qint64(-5000) << 0 << qint64(0);
    QTest::newRow("last ms of the first") << qint64(59999) << 0 << qint64(59999);
    QTest::newRow("boundary belongs to the next") << qint64(60000) << 1 << qint64(0);
    QTest::newRow("inside the second") << qint64(75250) << 1 << qint64(15250);
    QTest::newRow("second boundary") << qint64(90500) << 2 << qint64(0);
    QTest::newRow("last ms") << qint64(150499) << 2 << qint64(59999);
    QTest::newRow("the end") << qint64(150500) << 2 << qint64(60000);
    QTest::newRow("past the end clamps") << qint64(999999) << 2 << qint64(60000);
}

void TestDrive::driveToClip()
{
    QFETCH(qint64, driveMs);
    QFETCH(int, clip);
    QFETCH(qint64, clipMs);
    const Drive drive = threeClips();
    QCOMPARE(drive.durationMs(), qint64(150500));
    const ClipPosition pos = drive.driveToClip(driveMs);
    QCOMPARE(pos.clip, clip);
    QCOMPARE(pos.clipMs, clipMs);
}

void TestDrive::clipToDriveIsTheInverse()
{
    const Drive drive = threeClips();
    QCOMPARE(drive.recording(2).offsetMs, qint64(90500));
    for (qint64 t = 0; t < drive.durationMs(); t += 250) {
        const ClipPosition pos = drive.driveToClip(t);
        QCOMPARE(drive.clipToDrive(pos.clip, pos.clipMs), t);
    }
    // Out-of-range clip times and clips clamp.
    QCOMPARE(drive.clipToDrive(1, -10), qint64(60000));
    QCOMPARE(drive.clipToDrive(1, 40000), qint64(90500));
    QCOMPARE(drive.clipToDrive(7, 1000), qint64(91500));
    QCOMPARE(drive.clipToDrive(-1, 1000), qint64(1000));
}

void TestDrive::emptyAndZeroLengthRecordings()
{
    const Drive empty;
    QCOMPARE(empty.durationMs(), qint64(0));
    QCOMPARE(empty.driveToClip(100).clip, -1);
    QCOMPARE(empty.clipToDrive(0, 100), qint64(0));
    QCOMPARE(empty.sampleIndexAt(0), -1);

    // A recording whose length could not be read takes no drive time: the moment at its offset
    // is the next recording's start. A negative length counts as none.
    const Drive drive({recordingOf("a", 1000), recordingOf("broken", 0), recordingOf("c", 1000),
                       recordingOf("d", -50)});
    QCOMPARE(drive.durationMs(), qint64(2000));
    QCOMPARE(drive.driveToClip(1000).clip, 2);
    QCOMPARE(drive.driveToClip(2000).clip, 3);
    QCOMPARE(drive.driveToClip(2000).clipMs, qint64(0));
}

void TestDrive::steppingByRecording()
{
    const Drive drive = threeClips();
    QCOMPARE(drive.nextRecording(0), 1);
    QCOMPARE(drive.nextRecording(2), -1);
    QCOMPARE(drive.previousRecording(2), 1);
    QCOMPARE(drive.previousRecording(0), -1);
    QCOMPARE(drive.nextRecording(-1), -1);
    QCOMPARE(drive.previousRecording(3), -1);
}

void TestDrive::fromEntriesCarriesPartners()
{
    const QList<LibraryEntry> entries = {
        {"/c/2021_0101_120100_002A.MP4", "A", 61000, 60000}, // the camera lost a second
        {"/c/2021_0101_120000_001B.MP4", "B", 0, 60000},
        {"/c/2021_0101_120000_001A.MP4", "A", 0, 60000},
        {"/c/2021_0101_120100_002B.MP4", "B", 60000, 60000},
        {"/c/2021_0101_120000_001C.MP4", "C", 0, 60000},
    };
    const QList<QList<int>> drives = groupDrives(entries);
    QCOMPARE(drives.size(), 3);
    const Drive drive = Drive::fromEntries(entries, drives.first());
    QCOMPARE(drive.recordingCount(), 2);
    QCOMPARE(drive.recording(0).channels,
             QStringList({entries[2].path, entries[1].path, entries[4].path}));
    QCOMPARE(drive.recording(1).channels, QStringList({entries[0].path, entries[3].path}));
    QCOMPARE(drive.recording(1).path(), entries[0].path);
    QCOMPARE(drive.recording(1).startMs, qint64(61000));
    QCOMPARE(drive.recording(1).offsetMs, qint64(60000));
    // The camera's clock follows the recordings' own starts, not the summed lengths.
    QCOMPARE(drive.wallClockMs(59000), qint64(59000));
    QCOMPARE(drive.wallClockMs(60500), qint64(61500));
    QCOMPARE(Drive().wallClockMs(10), qint64(0));
    // A partner's path finds its recording too: the window opens by any channel.
    QCOMPARE(drive.indexOfPath(entries[3].path), 1);
    QCOMPARE(drive.indexOfPath("/c/other.MP4"), -1);
    QCOMPARE(drive.recordingPaths(), QStringList({entries[2].path, entries[0].path}));
}

void TestDrive::samplesOfTheWholeDrive()
{
    Drive drive = threeClips();
    AssistInfoList first = everySecond(0, 60000);
    first.append(sampleAt(61000)); // telemetry past the recording's end: dropped
    drive.setClipSamples(0, first);
    drive.setClipSamples(2, everySecond(0, 60000));
    drive.setClipSamples(9, everySecond(0, 3000)); // no such recording: ignored
    QVERIFY(drive.hasClipSamples(0));
    QVERIFY(!drive.hasClipSamples(1));
    QVERIFY(!drive.hasClipSamples(9));

    const AssistInfoList &all = drive.samples();
    QCOMPARE(all.size(), 120);
    QCOMPARE(all.at(59).timeMs, qint64(59000));
    QCOMPARE(all.at(60).timeMs, qint64(90500)); // shifted by the third recording's offset
    QCOMPARE(drive.sampleClips().at(60), 2);
    for (int i = 1; i < all.size(); ++i)
        QVERIFY(all.at(i - 1).timeMs < all.at(i).timeMs);

    QCOMPARE(drive.sampleIndexAt(1500), 1);
    QCOMPARE(drive.sampleIndexAt(59999), 59);
    // The recording without samples stays a gap, not the last sample stretched over it.
    QCOMPARE(drive.sampleIndexAt(61000), -1);
    QCOMPARE(drive.sampleIndexAt(90499), -1);
    QCOMPARE(drive.sampleIndexAt(90500), 60);
    QCOMPARE(drive.sampleIndexAt(drive.clipToDrive(2, 10200)), 70);

    // Samples arriving later fill the gap; the merged list follows.
    drive.setClipSamples(1, everySecond(0, 30500));
    QCOMPARE(drive.samples().size(), 151);
    QCOMPARE(drive.sampleIndexAt(61000), 61);
    QCOMPARE(drive.sampleClips().at(61), 1);
    // Replacing a recording's samples replaces, never duplicates.
    drive.setClipSamples(1, everySecond(0, 10000));
    QCOMPARE(drive.samples().size(), 130);
}

void TestDrive::untimedSamplesAreOneASecond()
{
    AssistInfoList untimed;
    for (int i = 0; i < 3; ++i)
        untimed.append(AssistInfo());
    const AssistInfoList timed = timedSamples(untimed);
    QCOMPARE(timed.size(), 3);
    QCOMPARE(timed.at(2).timeMs, qint64(2000));

    // Mixed: the untimed ones cannot be placed; the rest is put in time order.
    const AssistInfoList mixed = timedSamples({sampleAt(2000), AssistInfo(), sampleAt(500)});
    QCOMPARE(mixed.size(), 2);
    QCOMPARE(mixed.at(0).timeMs, qint64(500));

    Drive drive = threeClips();
    drive.setClipSamples(1, untimed);
    QCOMPARE(drive.sampleIndexAt(62500), 2);
}

void TestDrive::gSensorEvents_data()
{
    QTest::addColumn<AssistInfoList>("samples");
    QTest::addColumn<QList<qint64>>("events");

    QTest::newRow("steady") << everySecond(0, 10000) << QList<qint64>();
    AssistInfoList bump = everySecond(0, 10000);
    bump[4].z = 1.5f; // up at 4 s and down again at 5 s: one event, at the first change
    QTest::newRow("one bump is one event") << bump << QList<qint64>{4000};
    AssistInfoList below = everySecond(0, 5000);
    below[2].x = 0.2f;
    below[2].y = 0.25f; // |(0.2, 0.25, 0)| = 0.32 g: under the threshold
    QTest::newRow("below threshold") << below << QList<qint64>();
    AssistInfoList vector = everySecond(0, 5000);
    vector[2].x = 0.25f;
    vector[2].y = 0.25f; // each axis under it, the vector's change 0.354 g over it
    QTest::newRow("the vector counts, not one axis") << vector << QList<qint64>{2000};
    AssistInfoList apart = everySecond(0, 20000);
    apart[3].x = 1.0f;
    apart[12].x = -1.0f;
    QTest::newRow("two events far apart") << apart << QList<qint64>{3000, 12000};
    AssistInfoList stronger;
    for (qint64 t = 0; t < 5000; t += 100)
        stronger.append(sampleAt(t));
    stronger[10].x = 0.5f; // 1000 ms
    stronger[11].x = 0.0f;
    stronger[20].x = 2.0f; // 2000 ms, stronger, within 2 s of the last peak
    stronger[21].x = 0.0f;
    QTest::newRow("merged at the strongest") << stronger << QList<qint64>{2000};
    AssistInfoList gap = {sampleAt(0), sampleAt(1000), sampleAt(9000, 1.0f), sampleAt(10000, 1.0f)};
    QTest::newRow("no change across missing samples") << gap << QList<qint64>();
    AssistInfoList noG = everySecond(0, 4000);
    noG[2].hasGSensor = false;
    noG[2].x = 3.0f;
    QTest::newRow("samples without G values") << noG << QList<qint64>();
}

void TestDrive::gSensorEvents()
{
    QFETCH(AssistInfoList, samples);
    QFETCH(QList<qint64>, events);
    QCOMPARE(::gSensorEvents(samples, kThresholdG), events);
}

void TestDrive::eventStepping()
{
    const QList<qint64> events = {3000, 12000, 40000};
    QCOMPARE(nextEvent(events, 0), qint64(3000));
    QCOMPARE(nextEvent(events, 3000), qint64(12000)); // standing on one goes on
    QCOMPARE(nextEvent(events, 40000), qint64(-1));
    QCOMPARE(previousEvent(events, 50000), qint64(40000));
    QCOMPARE(previousEvent(events, 40500), qint64(12000)); // just jumped there: the one before
    QCOMPARE(previousEvent(events, 41500), qint64(40000));
    QCOMPARE(previousEvent(events, 3500), qint64(-1));
    QCOMPARE(nextEvent({}, 0), qint64(-1));

    // Over a drive: events of the whole drive by drive time, across recordings.
    Drive drive = threeClips();
    AssistInfoList second = everySecond(0, 30500);
    second[5].y = -0.6f; // hard braking 5 s into the second recording
    drive.setClipSamples(1, second);
    drive.setClipSamples(2, everySecond(0, 60000));
    const QList<qint64> found = ::gSensorEvents(drive.samples(), kThresholdG);
    QCOMPARE(found, QList<qint64>{65000});
    QCOMPARE(drive.driveToClip(nextEvent(found, 0)).clip, 1);
    // The seek bar of a recording shows its own events, in its own time; one on a boundary
    // belongs to the recording that starts there.
    QCOMPARE(eventsInClip(drive, found, 1), QList<qint64>{5000});
    QCOMPARE(eventsInClip(drive, {60000, 90500}, 1), QList<qint64>{0});
    QCOMPARE(eventsInClip(drive, {60000, 90500}, 2), QList<qint64>{0});
    QVERIFY(eventsInClip(drive, found, 0).isEmpty());
    QVERIFY(eventsInClip(drive, found, 3).isEmpty());
}

void TestDrive::cameraEventRecordings()
{
    for (const char *path : {"/v/20240101_120000_EF.mp4", "/v/20240101_120000_ER.MP4",
                             "/v/20240101_120000_E.mp4", "/card/EVENT/FILE240101-120000.MP4",
                             "/card/Event/x.mov"})
        QVERIFY2(isCameraEventRecording(path), path);
    for (const char *path : {"/v/20240101_120000_NF.mp4", "/v/20240101_120000_PF.mp4",
                             "/v/holiday_E.mp4", "/v/E.mp4", "/Events/20240101_120000_NF.mp4",
                             "/v/SCENE_F.mp4"})
        QVERIFY2(!isCameraEventRecording(path), path);
    const Drive drive({recordingOf("/v/20240101_120000_NF.mp4", 60000),
                       recordingOf("/v/20240101_120100_EF.mp4", 30500),
                       recordingOf("/v/20240101_120130_NF.mp4", 60000)});
    QCOMPARE(cameraEvents(drive), QList<qint64>{60000});
}

QTEST_GUILESS_MAIN(TestDrive)
#include "test_drive.moc"
