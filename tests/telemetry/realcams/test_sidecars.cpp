// Files beside a recording: BlackVue .gps/.3gf, .nmea/.NMEA, Escort .map and the 70mai log, found
// from the video's path or given directly; every field against what the fixture writers wrote.

#include "bytesource.h"
#include "realcam_checks.h"
#include "realcam_fixtures.h"
#include "realcams.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace rcfx;

namespace {

QString put(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return mp4fx::writeFile(path, bytes) ? path : QString();
}

void expectFix(const AssistInfo &s, const Fix &f, double tolerance)
{
    QVERIFY(s.hasPosition);
    QVERIFY2(std::fabs(s.latitudeDeg - f.lat) < tolerance, qPrintable(s.latitude));
    QVERIFY2(std::fabs(s.longitudeDeg - f.lon) < tolerance, qPrintable(s.longitude));
    QCOMPARE(s.latitude, QString::number(s.latitudeDeg, 'f', 7));
    QCOMPARE(s.longitude, QString::number(s.longitudeDeg, 'f', 7));
    QCOMPARE(s.speed, int(f.speedKmh));
}

const QByteArray kVideo = mp4fx::box("ftyp", "isom") + mp4fx::box("mdat", QByteArray(32, 'v'));
// 2025-01-01 10:15:00, the clock of the fixtures' routes, in ms.
constexpr qint64 kClipStartMs = 1735726500000LL;

} // namespace

class TestSidecars : public QObject
{
    Q_OBJECT

private slots:
    void blackvueLogOfTheChannelLessNameWithItsGValues();
    void blackvuePrefixesThatMissTheNameStartAtTheirFirstLine();
    void zeroIsAPlaceOnlyTheStatusSaysNoFix();
    void accelerometerFileAloneGivesGValues();
    void nmeaLogBesideTheVideoInEitherCase();
    void sidecarGivenDirectlyIsReadFromItsBytes();
    void escortMapLines();
    void seventyMaiLogAboveTheClipFolder();
    void seventyMaiRowsOfTheOtherChannelAreNotTaken();
    void nothingBesideTheVideo();
    void sidecarsAreNotRecordings_data();
    void sidecarsAreNotRecordings();
};

void TestSidecars::blackvueLogOfTheChannelLessNameWithItsGValues()
{
    QTemporaryDir dir;
    QList<Fix> r = route(5, 37.56, 126.97);
    r[3].valid = false;
    QList<QVector<qint16>> rows;
    for (int i = 0; i < 50; ++i)
        rows.append({qint16(128 + i), qint16(-i), qint16(64)});
    const QString video = put(dir, "20250101_101500_NF.mp4", kVideo);
    put(dir, "20250101_101500_N.gps", blackvueGps(r, kClipStartMs));
    put(dir, "20250101_101500_N.3gf", blackvue3gf(rows, 100));
    const LayoutResult res = readFile(readSidecars, video);
    QCOMPARE(res.status, ReadStatus::Found);
    QCOMPARE(res.code, 60);
    QCOMPARE(res.samples.size(), 5);
    for (int i = 0; i < 5; ++i) {
        const AssistInfo &s = res.samples[i];
        QCOMPARE(s.timeMs, qint64(i) * 1000);
        QVERIFY(s.hasGSensor);
        QCOMPARE(s.x, float(128 + 10 * i) / 128.0f);
        QCOMPARE(s.y, float(-10 * i) / 128.0f);
        QCOMPARE(s.z, 0.5f);
        if (i == 3) {
            QVERIFY(!s.hasPosition && s.latitude.isEmpty() && s.speed == 0);
            continue;
        }
        expectFix(s, r[i], 1e-6);
        QCOMPARE(s.course, r[i].course);
    }
}

void TestSidecars::blackvuePrefixesThatMissTheNameStartAtTheirFirstLine()
{
    QTemporaryDir dir;
    const QList<Fix> r = route(3, 1, 1);
    const QString video = put(dir, "20240606_060606_EF.mp4", kVideo);
    put(dir, "20240606_060606_EF.gps", blackvueGps(r, kClipStartMs));
    const LayoutResult res = readFile(readSidecars, video);
    QCOMPARE(res.samples.size(), 3);
    QCOMPARE(res.samples[2].timeMs, qint64(2000));
    QVERIFY(!res.samples[0].hasGSensor);
}

void TestSidecars::zeroIsAPlaceOnlyTheStatusSaysNoFix()
{
    // A drive along the Greenwich meridian and across the equator: "00000.00000," and
    // "0000.00000,N" are places.
    QList<Fix> r = route(8, 0.0003, 0.0002);
    r[2].lon = 0.0;
    r[5].lon = 0.0;
    r[6].lat = 0.0;
    r[7].valid = false;
    QTemporaryDir dir;
    const QString video = put(dir, "20250101_101500_NF.mp4", kVideo);
    QByteArray log = blackvueGps(r, kClipStartMs);
    // A zero has no side: the receiver leaves its letter empty.
    log.replace("00000.00000,E,", "00000.00000,,");
    QCOMPARE(log.count("00000.00000,,"), 4); // RMC and GGA of two fixes
    put(dir, "20250101_101500_NF.gps", log);
    const LayoutResult res = readFile(readSidecars, video);
    QCOMPARE(res.samples.size(), 8);
    for (int i = 0; i < 7; ++i)
        expectFix(res.samples[i], r[i], 1e-6);
    QCOMPARE(res.samples[5].longitude, QStringLiteral("0.0000000"));
    QVERIFY(!res.samples[7].hasPosition);
}

void TestSidecars::accelerometerFileAloneGivesGValues()
{
    QTemporaryDir dir;
    const QString video = put(dir, "20250101_101500_PR.mp4", kVideo);
    put(dir, "20250101_101500_P.3gf", blackvue3gf({{128, 0, -128}, {0, 256, 0}}, 100));
    const LayoutResult res = readFile(readSidecars, video);
    QCOMPARE(res.code, 61);
    QCOMPARE(res.samples.size(), 2); // the all-ones padding after them ends the records
    QCOMPARE(res.samples[1].timeMs, qint64(100));
    QVERIFY(!res.samples[0].hasPosition);
    QCOMPARE(res.samples[0].x, 1.0f);
    QCOMPARE(res.samples[0].z, -1.0f);
    QCOMPARE(res.samples[1].y, 2.0f);
}

void TestSidecars::nmeaLogBesideTheVideoInEitherCase()
{
    QTemporaryDir dir;
    const QList<Fix> r = route(4, -37.81, 144.96);
    const QString upper = put(dir, "FILE250101-101500.MP4", kVideo);
    put(dir, "FILE250101-101500.NMEA", nmeaSidecar(r, true));
    const QString lower = put(dir, "clip.mov", kVideo);
    put(dir, "clip.nmea", nmeaSidecar(r.mid(0, 2), false));
    const LayoutResult res = readFile(readSidecars, upper);
    QCOMPARE(res.code, 62);
    QCOMPARE(res.samples.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(res.samples[i].timeMs, qint64(i) * 1000);
        expectFix(res.samples[i], r[i], 1e-6);
        // Signed readings in 1/1024 g (the log has a negative one).
        QCOMPARE(res.samples[i].x, float(10 * i / 1024.0));
        QCOMPARE(res.samples[i].y, float(-5 * i / 1024.0));
        QCOMPARE(res.samples[i].z, 1.0f);
    }
    const LayoutResult small = readFile(readSidecars, lower);
    QCOMPARE(small.samples.size(), 2);
    QVERIFY(!small.samples[0].hasGSensor);

    // A log of GGA sentences alone: positions and times, no speed.
    QByteArray ggaLog;
    for (const Fix &f : r)
        ggaLog += gga(f) + "\r\n";
    const QString ggaVideo = put(dir, "gga.mp4", kVideo);
    put(dir, "gga.nmea", ggaLog);
    const LayoutResult g = readFile(readSidecars, ggaVideo);
    QCOMPARE(g.samples.size(), 4);
    QCOMPARE(g.samples[3].timeMs, qint64(3000));
    QVERIFY(std::fabs(g.samples[3].latitudeDeg - r[3].lat) < 1e-6);
    QCOMPARE(g.samples[3].speed, 0);
}

void TestSidecars::sidecarGivenDirectlyIsReadFromItsBytes()
{
    QTemporaryDir dir;
    const QList<Fix> r = route(3, 10, 10);
    const QString path = put(dir, "log.nmea", QByteArray("garbage that is not a sentence\n"));
    // The bytes come from the source handed in, not from the path.
    ByteSource src = ByteSource::fromBytes(nmeaSidecar(r, false));
    const LayoutResult res = readSidecars(src, contextFor(path));
    QCOMPARE(res.samples.size(), 3);
    expectFix(res.samples[2], r[2], 1e-6);
    ByteSource junk(path);
    QCOMPARE(readSidecars(junk, contextFor(path)).status, ReadStatus::None);
}

void TestSidecars::escortMapLines()
{
    QTemporaryDir dir;
    QList<Fix> r = route(3, 33.75, -84.39);
    r[1].valid = false;
    const QString video = put(dir, "Normal/20250101_1015_CAM.MP4", kVideo);
    put(dir, "Normal/20250101_1015_CAM.map", escortMap(r));
    const LayoutResult res = readFile(readSidecars, video);
    QCOMPARE(res.code, 63);
    QCOMPARE(res.samples.size(), 3);
    expectFix(res.samples[0], r[0], 1e-5); // four decimals of minutes
    QVERIFY(!res.samples[1].hasPosition);
    QCOMPARE(res.samples[2].timeMs, qint64(2000));
    QVERIFY(!res.samples[2].hasGSensor);
}

void TestSidecars::seventyMaiLogAboveTheClipFolder()
{
    QTemporaryDir dir;
    QList<Fix> r = route(4, 22.54, 114.05);
    r[2].valid = false;
    const QString video = put(dir, "Normal/Front/NO20250101-101500-000123F.MP4", kVideo);
    // The log names the clip under its locked name: the core still matches.
    put(dir, "GPSData000001.txt", seventyMaiLog(r, "EV20250101-101500-000123F.MP4", 1735726500));
    const LayoutResult res = readFile(readSidecars, video);
    QCOMPARE(res.code, 64);
    QCOMPARE(res.samples.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(res.samples[i].timeMs, qint64(i) * 1000);
        QCOMPARE(res.samples[i].x, 0.05f);
        QCOMPARE(res.samples[i].z, 0.98f);
    }
    expectFix(res.samples[1], r[1], 1e-6);
    QCOMPARE(res.samples[1].course, r[1].course);
    QVERIFY(!res.samples[2].hasPosition);
}

void TestSidecars::seventyMaiRowsOfTheOtherChannelAreNotTaken()
{
    // The front and rear clips of one second share the log, their rows interleaved.
    QTemporaryDir dir;
    const QList<Fix> front = route(3, 22.54, 114.05), rear = route(3, -22.54, -114.05);
    const QString video = put(dir, "Normal/NO20250101-101500-000123F.MP4", kVideo);
    const QList<QByteArray> a
        = seventyMaiLog(front, "NO20250101-101500-000123F.MP4", 1735726500).split('\n');
    const QList<QByteArray> b
        = seventyMaiLog(rear, "NO20250101-101500-000123R.MP4", 1735726500).split('\n');
    QByteArray log = "$V02\n";
    for (int i = 2; i < a.size(); ++i) // after the header and the other clip's row
        log += a[i] + '\n' + b.value(i) + '\n';
    put(dir, "GPSData000001.txt", log);
    const LayoutResult res = readFile(readSidecars, video);
    QCOMPARE(res.samples.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(res.samples[i].timeMs, qint64(i) * 1000);
        expectFix(res.samples[i], front[i], 1e-6);
        QCOMPARE(res.samples[i].utcMs, fixUnix(front[i]) * 1000);
    }
}

void TestSidecars::nothingBesideTheVideo()
{
    QTemporaryDir dir;
    const QString video = put(dir, "20250101_101500_NF.mp4", kVideo);
    QDir(dir.path()).mkdir("20250101_101500_N.gps"); // a folder is no sidecar
    QCOMPARE(readFile(readSidecars, video).status, ReadStatus::None);
    // Neither is a device, nor a log too large to be one (a sparse file: nothing is read).
    QVERIFY(QFile::link("/dev/zero", dir.filePath("20250101_101500_NF.nmea")));
    QCOMPARE(readFile(readSidecars, video).status, ReadStatus::None);
    QFile big(dir.filePath("20250101_101500_NF.map"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(escortMap(route(2, 1, 1)));
    QVERIFY(big.resize(65ll << 20));
    big.close();
    ByteSource::resetTotalBytesRead();
    QCOMPARE(readFile(readSidecars, video).status, ReadStatus::None);
    QCOMPARE(ByteSource::totalBytesRead(), quint64(0));
    ByteSource src = ByteSource::fromBytes(kVideo);
    QCOMPARE(readSidecars(src, ReadContext{}).status, ReadStatus::None);
}

void TestSidecars::sidecarsAreNotRecordings_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("sidecar");
    QTest::newRow("gps") << "/a/20250101_101500_N.gps" << true;
    QTest::newRow("3gf upper") << "/a/20250101_101500_N.3GF" << true;
    QTest::newRow("NMEA") << "/a/FILE250101-101500.NMEA" << true;
    QTest::newRow("map") << "/a/x.map" << true;
    QTest::newRow("70mai log") << "/card/GPSData000002.txt" << true;
    QTest::newRow("other text") << "/card/readme.txt" << false;
    QTest::newRow("video") << "/a/20250101_101500_NF.mp4" << false;
    QTest::newRow("gpx") << "/a/x.gpx" << false;
}

void TestSidecars::sidecarsAreNotRecordings()
{
    QFETCH(QString, path);
    QFETCH(bool, sidecar);
    QCOMPARE(isSidecarFile(path), sidecar);
}

QTEST_GUILESS_MAIN(TestSidecars)
#include "test_sidecars.moc"
