// Top-level gps0/gsen and 70mai "GPS " atoms and the "####" text trailer: every field against the
// values written, ExifTool as the second reading of the atoms it decodes.

#include "bytesource.h"
#include "realcam_checks.h"
#include "realcam_fixtures.h"
#include "realcams.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>

using namespace rcfx;

namespace {

LayoutResult readBytes(LayoutReadFn fn, const QByteArray &bytes)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    return fn(src, ReadContext{});
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

void expectNoFix(const AssistInfo &s)
{
    QVERIFY(!s.hasPosition);
    QVERIFY(s.latitude.isEmpty() && s.longitude.isEmpty());
    QCOMPARE(s.speed, 0);
}

} // namespace

class TestAtomsTrailer : public QObject
{
    Q_OBJECT

private slots:
    void gps0RecordsWithGsenAveragedPerSecond();
    void gps0RingBufferRepeatsAreDropped();
    void lamaxGps0OfMaskedTextRecords();
    void seventyMaiRecordsUntilTheZeroRecord();
    void blackvueBoxWithItsLogAndGValues();
    void udatNmeaLog();
    void garminUuidInMoov();
    void hashTrailerSlots();
    void ligoTrailerAsExifToolFindsIt_data();
    void ligoTrailerAsExifToolFindsIt();
    void hashTrailerMarksThatLie_data();
    void hashTrailerMarksThatLie();
    void filesWithoutTheseLayouts();
    void exiftoolAgreesOnTheAtoms();
};

void TestAtomsTrailer::gps0RecordsWithGsenAveragedPerSecond()
{
    QList<Fix> r = route(4, -33.9, 151.2);
    r[2].valid = false;
    QByteArray gsen;
    for (int i = 0; i < 20; ++i) // five triples a second, 1/16 g
        gsen += QByteArray(1, char(i / 5 * 4)) + QByteArray(1, char(-16))
            + QByteArray(1, char(i % 5));
    const LayoutResult res = readBytes(readGps0Atoms, gps0File(r, gsen));
    QCOMPARE(res.status, ReadStatus::Found);
    QCOMPARE(res.code, 50);
    QCOMPARE(res.samples.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const AssistInfo &s = res.samples[i];
        QCOMPARE(s.timeMs, qint64(i) * 1000);
        QVERIFY(s.hasGSensor);
        QCOMPARE(s.x, float(i * 4 / 16.0));
        QCOMPARE(s.y, -1.0f);
        QCOMPARE(s.z, float(2 / 16.0)); // mean of 0..4
        if (i == 2)
            expectNoFix(s);
        else
            expectFix(s, r[i], 1e-9);
    }
    QCOMPARE(res.samples[1].course, 46.0);
}

void TestAtomsTrailer::gps0RingBufferRepeatsAreDropped()
{
    QList<Fix> r = route(5, 55.75, 37.62);
    // Seconds 0, 1, 3, then a stale row of second 1 from the ring buffer, then 4.
    r.swapItemsAt(2, 3);
    r[3].utcSecond = 1;
    const LayoutResult res = readBytes(readGps0Atoms, gps0File(r));
    QCOMPARE(res.samples.size(), 4);
    QCOMPARE(res.samples[2].timeMs, qint64(3000));
    QCOMPARE(res.samples[3].timeMs, qint64(4000));
    QVERIFY(!res.samples[0].hasGSensor);
}

void TestAtomsTrailer::lamaxGps0OfMaskedTextRecords()
{
    const QList<Fix> r = route(3, 50.08, 14.42);
    QByteArray records;
    for (const Fix &f : r) // the 0x98 of the prefix is the masked '2' of the year
        records += xorTextRecord(f) + QByteArray(29, '\0');
    QCOMPARE(records.size(), 3 * 311);
    mp4fx::FilePlan plan;
    plan.topBefore = {mp4fx::box("gps0", records + QByteArray(311, '\x01'))};
    const LayoutResult res = readBytes(readGps0Atoms, mp4fx::buildMp4(plan));
    QCOMPARE(res.code, 50);
    QCOMPARE(res.samples.size(), 3); // up to the first record without the prefix
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(res.samples[i].timeMs, qint64(i) * 1000);
        expectFix(res.samples[i], r[i], 1e-6);
    }
}

void TestAtomsTrailer::seventyMaiRecordsUntilTheZeroRecord()
{
    QList<Fix> r = route(4, -22.9, -43.2);
    r[1].valid = false;
    const LayoutResult res = readBytes(readGps0Atoms, gps70maiFile(r));
    QCOMPARE(res.code, 51);
    QCOMPARE(res.samples.size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(res.samples[i].timeMs, qint64(i) * 1000);
    expectFix(res.samples[0], r[0], 1e-5); // ddmm x 1000
    expectNoFix(res.samples[1]);
    expectFix(res.samples[3], r[3], 1e-5);
    QVERIFY(res.samples[3].course > 180.0 && res.samples[3].course < 270.0);
}

void TestAtomsTrailer::blackvueBoxWithItsLogAndGValues()
{
    QList<Fix> r = route(4, 35.68, 139.69);
    r[2].valid = false;
    QList<QVector<qint16>> rows;
    for (int i = 0; i < 60; ++i) // ten a second from the clip's start
        rows.append({qint16(i), qint16(128), qint16(-64)});
    // The clip starts two seconds before the first line of its log.
    const LayoutResult res
        = readBytes(readGps0Atoms, blackvueFreeFile(r, 1735726500000LL, 1735726498000LL, rows));
    QCOMPARE(res.code, 52);
    QCOMPARE(res.samples.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const AssistInfo &s = res.samples[i];
        QCOMPARE(s.timeMs, qint64(i) * 1000 + 2000);
        QCOMPARE(s.x, float(20 + 10 * i) / 128.0f);
        QCOMPARE(s.y, 1.0f);
        if (i == 2)
            expectNoFix(s);
        else
            expectFix(s, r[i], 1e-6);
    }
    QCOMPARE(res.samples[3].course, r[3].course);
    // A free box of other content is padding.
    mp4fx::FilePlan plan;
    plan.topBefore = {mp4fx::box("free", QByteArray(64, '\0'))};
    QCOMPARE(readBytes(readGps0Atoms, mp4fx::buildMp4(plan)).status, ReadStatus::None);
}

void TestAtomsTrailer::udatNmeaLog()
{
    const QList<Fix> r = route(3, -41.29, 174.78);
    const LayoutResult res = readBytes(readGps0Atoms, udatFile(r));
    QCOMPARE(res.code, 53);
    QCOMPARE(res.samples.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(res.samples[i].timeMs, qint64(i) * 1000);
        expectFix(res.samples[i], r[i], 1e-6);
    }
}

void TestAtomsTrailer::garminUuidInMoov()
{
    QList<Fix> r = route(3, 38.9, -94.6);
    r[1].valid = false;
    const LayoutResult res = readBytes(readGps0Atoms, garminUuidFile(r));
    QCOMPARE(res.code, 54);
    QCOMPARE(res.samples.size(), 3);
    QCOMPARE(res.samples[2].timeMs, qint64(2000));
    QVERIFY(std::fabs(res.samples[0].latitudeDeg - r[0].lat) < 1e-6);
    QVERIFY(std::fabs(res.samples[0].longitudeDeg - r[0].lon) < 1e-6);
    // Whole mph: 36 km/h is stored as 22 mph.
    QCOMPARE(res.samples[0].speed, qRound(std::lround(r[0].speedKmh / 1.60934) * 1.60934));
    expectNoFix(res.samples[1]);
    QVERIFY(res.samples[2].hasPosition);
}

void TestAtomsTrailer::hashTrailerSlots()
{
    QList<Fix> r = route(4, -33.45, -70.66);
    r[1].valid = false;
    QList<QByteArray> texts;
    for (int i = 0; i < 4; ++i)
        texts << ligoText(r[i], 0.01 * i, -0.5, 1.0);
    texts.insert(2, QByteArray()); // a blank slot
    const LayoutResult res = readBytes(readHashTrailer, hashTrailerFile(texts));
    QCOMPARE(res.status, ReadStatus::Found);
    QCOMPARE(res.code, 55);
    QCOMPARE(res.samples.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const AssistInfo &s = res.samples[i];
        QCOMPARE(s.timeMs, qint64(i) * 1000);
        QVERIFY(s.hasGSensor);
        QCOMPARE(s.x, float(0.01 * i));
        QCOMPARE(s.y, -0.5f);
        QCOMPARE(s.z, 1.0f);
        if (i == 1) {
            expectNoFix(s);
            continue;
        }
        expectFix(s, r[i], 1e-6);
        QCOMPARE(s.course, r[i].course);
    }
}

void TestAtomsTrailer::ligoTrailerAsExifToolFindsIt_data()
{
    QTest::addColumn<QByteArray>("bytes"); // each holds the five fixes of route(5, 47.95, -3.18)
    const QList<Fix> r = route(5, 47.95, -3.18);
    QTest::newRow("plain coordinates") << ligoTrailerFile(r, false);
    QTest::newRow("fuzzed coordinates") << ligoTrailerFile(r, true);
    // After the older "####" table (fixes 0 and 1): one trailer before the other, read in order.
    QList<QByteArray> texts;
    for (const Fix &f : r.mid(0, 2))
        texts << ligoText(f, 0.02, -0.03, 0.99);
    const QByteArray later = ligoTrailerFile(r.mid(2), true);
    const qint64 length = qFromBigEndian<quint32>(later.right(4).constData());
    QTest::newRow("after a #### table") << hashTrailerFile(texts) + later.right(int(length));
}

void TestAtomsTrailer::ligoTrailerAsExifToolFindsIt()
{
    QFETCH(QByteArray, bytes);
    const QList<Fix> r = route(5, 47.95, -3.18);
    const LayoutResult res = readBytes(readHashTrailer, bytes);
    QCOMPARE(res.code, 55);
    QCOMPARE(res.samples.size(), r.size());
    for (int i = 0; i < res.samples.size(); ++i) {
        const AssistInfo &s = res.samples[i];
        QCOMPARE(s.timeMs, qint64(i) * 1000);
        expectFix(s, r[i], 1e-6); // knots, fuzzed knots and km/h all give the written km/h back
        QCOMPARE(s.course, r[i].course);
        QCOMPARE(s.z, 0.99f);
        QCOMPARE(s.utcMs, fixUnix(r[i]) * 1000);
        QCOMPARE(s.utcClock, AssistInfo::Clock::Camera);
    }
}

void TestAtomsTrailer::hashTrailerMarksThatLie_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = hashTrailerFile({ligoText(route(1, 1, 1)[0], 0, 0, 1)});
    QByteArray huge = good;
    huge[huge.size() - 4] = '\x7f'; // size beyond the file
    QByteArray small = good;
    small.replace(small.size() - 4, 4, QByteArray("\x00\x00\x00\x08", 4));
    QByteArray notSkip = good;
    notSkip.replace(notSkip.lastIndexOf("SKIP"), 4, "FREE");
    QByteArray countTooBig = good;
    const int dir = countTooBig.lastIndexOf("LIGOGPSINFO");
    countTooBig.replace(dir + 16, 4, QByteArray("\xff\xff\xff\xff", 4));
    QTest::newRow("size beyond the file") << huge;
    QTest::newRow("size smaller than the directory") << small;
    QTest::newRow("box that is not SKIP") << notSkip;
    QTest::newRow("only the marker") << QByteArray("####\x00\x00\x00\x10", 8);
    QTest::newRow("count beyond the box") << countTooBig;
    QByteArray lyingEnd = ligoTrailerFile(route(2, 1, 1), false); // "&&&&" trailer's end mark
    lyingEnd[lyingEnd.size() - 3] = '\x7f';
    QTest::newRow("&&&& length beyond the file") << lyingEnd;
}

void TestAtomsTrailer::hashTrailerMarksThatLie()
{
    QFETCH(QByteArray, bytes);
    const LayoutResult res = readBytes(readHashTrailer, bytes);
    // A count beyond the box is cut to the slots the box holds; every other lie is no trailer.
    if (QByteArray(QTest::currentDataTag()) == "count beyond the box")
        QCOMPARE(res.samples.size(), 1);
    else
        QCOMPARE(res.status, ReadStatus::None);
}

void TestAtomsTrailer::filesWithoutTheseLayouts()
{
    const QByteArray plain = gpmfFile({});
    QCOMPARE(readBytes(readGps0Atoms, plain).status, ReadStatus::None);
    QCOMPARE(readBytes(readHashTrailer, plain).status, ReadStatus::None);
    // A gps0 atom of foreign bytes is there but gives nothing.
    mp4fx::FilePlan plan;
    plan.topBefore = {mp4fx::box("gps0", QByteArray(64, '\x63'))};
    QCOMPARE(readBytes(readGps0Atoms, mp4fx::buildMp4(plan)).status, ReadStatus::Damaged);
    plan.topBefore = {mp4fx::box("GPS ", QByteArray(72, '\x63'))};
    QCOMPARE(readBytes(readGps0Atoms, mp4fx::buildMp4(plan)).status, ReadStatus::None);
}

void TestAtomsTrailer::exiftoolAgreesOnTheAtoms()
{
    if (!haveTool("exiftool"))
        QSKIP("exiftool is not installed");
    QTemporaryDir dir;
    const QList<Fix> r = route(5, -33.9, 151.2);
    QList<QPair<QString, QByteArray>> files
        = {{"gps0.mp4", gps0File(r)}, {"70mai.mp4", gps70maiFile(r)},
            {"blackvue.mp4", blackvueFreeFile(r, 1735726500000LL, 1735726500000LL, {})},
            {"udat.mp4", udatFile(r)}, {"garmin.mp4", garminUuidFile(r)}};
    // ExifTool reads LIGOGPSINFO trailers from 13.25 on (LigoGPS.pm).
    const bool readsLigo = exiftoolVersion() >= 13.25;
    if (readsLigo)
        files << qMakePair(QStringLiteral("ligo-plain.mp4"), ligoTrailerFile(r, false))
              << qMakePair(QStringLiteral("ligo-fuzzed.mp4"), ligoTrailerFile(r, true));
    else
        qInfo("ExifTool %.2f reads no LIGOGPSINFO trailer: not compared", exiftoolVersion());
    for (const auto &f : files) {
        const QString path = dir.filePath(f.first);
        QVERIFY(mp4fx::writeFile(path, f.second));
        const LayoutReadFn fn = f.first.startsWith("ligo") ? readHashTrailer : readGps0Atoms;
        const LayoutResult res = readFile(fn, path);
        const QList<EtFix> et = exiftoolFixes(path);
        QCOMPARE(et.size(), res.samples.size());
        for (int i = 0; i < et.size(); ++i) {
            QVERIFY2(std::fabs(et[i].lat - res.samples[i].latitudeDeg) < 1e-4, qPrintable(f.first));
            QVERIFY2(
                std::fabs(et[i].lon - res.samples[i].longitudeDeg) < 1e-4, qPrintable(f.first));
            // ExifTool reports Garmin's speed in mph as stored, the others in km/h.
            const double kmh = et[i].speed * (f.first == "garmin.mp4" ? 1.60934 : 1.0);
            QVERIFY2(std::fabs(kmh - res.samples[i].speed) < 0.6, qPrintable(f.first));
        }
        // The 70mai atom stores seconds since the clip started, no date.
        const QString utc = utcDisagreement(et, res.samples, f.first != "70mai.mp4");
        QVERIFY2(utc.isEmpty(), qPrintable(f.first + ": " + utc));
    }
}

QTEST_GUILESS_MAIN(TestAtomsTrailer)
#include "test_atoms_trailer.moc"
