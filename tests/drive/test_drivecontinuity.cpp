// Whether the telemetry of consecutive recordings says they are one journey, the part of a drive
// that is kept, and what the map fits itself to.

#include "drive.h"
#include "drivecontinuity.h"
#include "drivegeo.h"

#include <QtTest>

#include <cmath>

namespace {

struct Place
{
    double lat;
    double lon;
};

const Place kBerlin{52.52, 13.40};
const Place kSydney{-33.87, 151.21};
const Place kCalifornia{37.77, -122.42};

// A place km kilometres north of p.
Place north(const Place &p, double km)
{
    return {p.lat + km / 111.195, p.lon};
}

// A recording of 60 s starting startS seconds into the day, with fixes from its first to its
// last second; gpsS is its start on the GPS clock, -1 when unknown.
ClipTrace trace(qint64 startS, const Place &first, const Place &last, qint64 gpsS = -1)
{
    ClipTrace t;
    t.read = true;
    t.startMs = startS * 1000;
    t.durationMs = 60000;
    t.gpsStartMs = gpsS < 0 ? -1 : gpsS * 1000;
    t.hasFix = true;
    t.firstLat = first.lat;
    t.firstLon = first.lon;
    t.lastLat = last.lat;
    t.lastLon = last.lon;
    t.lastFixMs = 59000;
    return t;
}

ClipTrace withoutFix(qint64 startS)
{
    ClipTrace t = trace(startS, {}, {});
    t.hasFix = false;
    return t;
}

AssistInfo fixAt(qint64 ms, double lat, double lon)
{
    AssistInfo s;
    s.timeMs = ms;
    s.hasPosition = true;
    s.latitudeDeg = lat;
    s.longitudeDeg = lon;
    return s;
}

// A box from south-west to north-east.
GeoBox box(const Place &sw, const Place &ne)
{
    GeoBox b;
    b.add(sw.lat, sw.lon);
    b.add(ne.lat, ne.lon);
    return b;
}

} // namespace

Q_DECLARE_METATYPE(QList<ClipTrace>)
Q_DECLARE_METATYPE(GeoBox)

class TestDriveContinuity : public QObject
{
    Q_OBJECT
private slots:
    void breaks_data();
    void breaks();
    void traceOfSamples();
    void partKeepsSamples();
    void focus_data();
    void focus();
};

void TestDriveContinuity::breaks_data()
{
    QTest::addColumn<QList<ClipTrace>>("traces");
    QTest::addColumn<QList<int>>("breaks");

    const Place b1 = north(kBerlin, 0.8);
    const Place b2 = north(kBerlin, 0.9);
    QTest::newRow("one journey")
        << QList<ClipTrace>{trace(0, kBerlin, b1), trace(61, b2, north(kBerlin, 1.7))}
        << QList<int>();
    QTest::newRow("another camera half a world away")
        << QList<ClipTrace>{trace(0, kCalifornia, kCalifornia), trace(60, kSydney, kSydney)}
        << QList<int>{1};
    // The last fix at 59 s, the next one at 62 s: 2 km is the least a jump must be.
    QTest::newRow("1.9 km in 3 s: a bad fix, not another journey")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin), trace(62, north(kBerlin, 1.9), b1)}
        << QList<int>();
    QTest::newRow("2.1 km in 3 s")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin), trace(62, north(kBerlin, 2.1), b1)}
        << QList<int>{1};
    // First fix 20 s into the next recording: 200 m/s allow 4 km.
    ClipTrace lateFix = trace(60, north(kBerlin, 3.9), north(kBerlin, 4));
    lateFix.firstFixMs = 21000;
    QTest::newRow("3.9 km in 22 s")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin), lateFix} << QList<int>();
    QTest::newRow("a recording without fixes is passed over")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin), withoutFix(60),
                            trace(120, kSydney, kSydney)}
        << QList<int>{2};
    ClipTrace unread;
    QTest::newRow("nothing is judged across a recording not read yet")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin), unread, trace(120, kSydney, kSydney)}
        << QList<int>();
    QTest::newRow("a journey after a break is judged on its own")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin), trace(60, kSydney, kSydney),
                            trace(120, kSydney, kSydney), trace(180, kBerlin, kBerlin)}
        << QList<int>{1, 3};
    // GPS clocks: 60 s recordings whose names say they follow each other.
    QTest::newRow("GPS clocks that follow")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin, 5000), trace(60, kBerlin, kBerlin, 5061)}
        << QList<int>();
    QTest::newRow("GPS clocks an hour apart")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin, 5000), trace(60, kBerlin, kBerlin, 8600)}
        << QList<int>{1};
    QTest::newRow("a GPS clock on one side only")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin, 5000), trace(60, kBerlin, kBerlin)}
        << QList<int>();
    // The names say 1 s between the fixes, the GPS clocks 11 s: 2.1 km is plausible in those.
    QTest::newRow("time between fixes by the GPS clocks")
        << QList<ClipTrace>{trace(0, kBerlin, kBerlin, 5000),
                            trace(60, north(kBerlin, 2.1), north(kBerlin, 2.1), 5070)}
        << QList<int>();
}

void TestDriveContinuity::breaks()
{
    QFETCH(QList<ClipTrace>, traces);
    QFETCH(QList<int>, breaks);
    QCOMPARE(driveBreaks(traces), breaks);
}

void TestDriveContinuity::traceOfSamples()
{
    // The first and last fix of the recording; samples without a fix or with numbers that are
    // no place do not count.
    AssistInfo noFix;
    noFix.timeMs = 0;
    AssistInfo broken = fixAt(9000, std::nan(""), 13.4);
    DriveRecording r;
    r.startMs = 1000;
    r.durationMs = 10000;
    const ClipTrace t = clipTraceOf(
        r, {noFix, fixAt(2000, 52.5, 13.4), fixAt(5000, 52.6, 13.5), fixAt(8000, 52.7, 13.6),
            broken});
    QVERIFY(t.read && t.hasFix);
    QCOMPARE(t.startMs, qint64(1000));
    QCOMPARE(t.durationMs, qint64(10000));
    QCOMPARE(t.firstFixMs, qint64(2000));
    QCOMPARE(t.firstLat, 52.5);
    QCOMPARE(t.lastFixMs, qint64(8000));
    QCOMPARE(t.lastLon, 13.6);
    QVERIFY(!clipTraceOf(r, {noFix, broken}).hasFix);
    QCOMPARE(t.gpsStartMs, qint64(-1));

    // The GPS clock at the start comes from the first GPS-timed sample, not a camera stamp.
    AssistInfo camera = fixAt(1000, 52.5, 13.4);
    camera.setUtc(1700000000000, AssistInfo::Clock::Camera);
    AssistInfo gps = fixAt(3000, 52.5, 13.4);
    gps.setUtc(1600000003000, AssistInfo::Clock::Gps);
    QCOMPARE(clipTraceOf(r, {camera, gps}).gpsStartMs, qint64(1600000000000));
}

void TestDriveContinuity::partKeepsSamples()
{
    QList<DriveRecording> recordings;
    for (const char *path : {"a", "b", "c"}) {
        DriveRecording r;
        r.channels = QStringList{QString::fromLatin1(path)};
        r.durationMs = 10000;
        recordings.append(r);
    }
    Drive drive(recordings);
    drive.setClipSamples(0, {fixAt(1000, 1, 1)});
    drive.setClipSamples(2, {fixAt(3000, 2, 2), fixAt(4000, 3, 3)});
    const Drive part = drive.part(1, 2);
    QCOMPARE(part.recordingPaths(), QStringList({"b", "c"}));
    QVERIFY(!part.hasClipSamples(0) && part.hasClipSamples(1));
    // In the part's own drive time: 3 s into its second recording.
    QCOMPARE(part.samples().size(), 2);
    QCOMPARE(part.samples().first().timeMs, qint64(13000));
    QCOMPARE(part.sampleClips().first(), 1);
}

void TestDriveContinuity::focus_data()
{
    QTest::addColumn<GeoBox>("drive");
    QTest::addColumn<GeoBox>("clip");
    QTest::addColumn<bool>("onClip");
    QTest::addColumn<double>("spanKm"); // of the box the map fits

    const Place west{52.52, 13.0};
    QTest::newRow("a city drive: the whole drive")
        << box(kBerlin, north(kBerlin, 15)) << box(kBerlin, north(kBerlin, 1)) << false << 15.0;
    QTest::newRow("a long drive: the recording")
        << box(kBerlin, north(kBerlin, 300)) << box(kBerlin, north(kBerlin, 2)) << true << 2.0;
    QTest::newRow("standing still: half a kilometre around the car")
        << box(kBerlin, north(kBerlin, 300)) << box(kBerlin, kBerlin) << true << 0.5;
    QTest::newRow("a recording of most of the drive: the drive")
        << box(kBerlin, north(kBerlin, 30)) << box(kBerlin, north(kBerlin, 16)) << false << 30.0;
    QTest::newRow("east to west counts as well")
        << box(west, kBerlin) << box(west, west) << true << 0.5;
    QTest::newRow("a recording without fixes: the drive")
        << box(kBerlin, north(kBerlin, 300)) << GeoBox() << false << 300.0;
}

void TestDriveContinuity::focus()
{
    QFETCH(GeoBox, drive);
    QFETCH(GeoBox, clip);
    QFETCH(bool, onClip);
    QFETCH(double, spanKm);
    const MapFocus f = mapFocus(drive, clip);
    QCOMPARE(f.onClip, onClip);
    QVERIFY(f.box.valid);
    QVERIFY2(std::fabs(f.box.spanMetres() / 1000 - spanKm) < 0.01 * spanKm,
             qPrintable(QString::number(f.box.spanMetres())));
    // The map never fits less than the recording's own route.
    if (onClip && clip.spanMetres() > 0) {
        QVERIFY(f.box.south <= clip.south && f.box.north >= clip.north);
        QVERIFY(f.box.west <= clip.west && f.box.east >= clip.east);
    }
}

QTEST_GUILESS_MAIN(TestDriveContinuity)
#include "test_drivecontinuity.moc"
