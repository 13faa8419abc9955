// GoPro GPMF payloads in gpmd tracks: every field of every sample against the values the fixture
// wrote, ExifTool and ffprobe as second readings, and damaged KLV that must not be trusted.

#include "bytesource.h"
#include "mp4/mp4file.h"
#include "realcam_checks.h"
#include "realcam_fixtures.h"
#include "realcams.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace rcfx;

namespace {

using Pairs = QList<QPair<qint64, qint64>>; // SYST: system clock in us, Unix time in ms

LayoutResult readBytes(const QByteArray &bytes)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    return readGpmfTrack(src, ReadContext{});
}

// Readings of one axis that average to value m/s^2 * scale over a slot.
QVector<qint16> accl(int n, qint16 x, qint16 y, qint16 z)
{
    QVector<qint16> v;
    for (int i = 0; i < n; ++i)
        v << x << y << z;
    return v;
}

// A file of one gpmd track holding these payloads as they are, one a second.
QByteArray rawGpmdFile(const QList<QByteArray> &payloads)
{
    mp4fx::TrackPlan meta;
    meta.handler = "meta";
    meta.sampleEntry = "gpmd";
    meta.samples = payloads;
    meta.sampleDelta = 1000;
    mp4fx::FilePlan plan;
    plan.tracks = {meta};
    return mp4fx::buildMp4(plan);
}

double scaledDegrees(double deg)
{
    return std::lround(deg * 1e7) / 1e7;
}

// Karma points of route r in payloads of five, 100 ms apart on the drone's system clock (20 s at
// the first); each payload's SYST pair ties its first stamp to unix0 + i seconds.
QList<GpmfPayload> karmaPayloads(const QList<Fix> &r, bool glpi, qint64 unix0)
{
    QList<GpmfPayload> payloads;
    for (int i = 0; i * 5 < r.size(); ++i) {
        GpmfPayload p;
        p.fix = -1; // the camera's own GPS is off
        (glpi ? p.glpi : p.gpri) = r.mid(i * 5, 5);
        p.systemMs = 20000 + i * 1000;
        p.syst = {{p.systemMs * 1000, unix0 + i * 1000}};
        payloads << p;
    }
    return payloads;
}

} // namespace

class TestGpmf : public QObject
{
    Q_OBJECT

private slots:
    void gps5PointsAreSpreadOverTheirPayloadWithEveryField();
    void accelerometerIsAveragedPerGpsSlotInG();
    void noFixGivesSamplesWithoutPosition();
    void gps9CarriesItsOwnFixPerPoint();
    void orientationNamesTheAxisOfEachChannel();
    void accelerometerAloneGivesTenSamplesASecond();
    void timeScaleOfTheTrackIsHonoured();
    void karmaRecordsGiveEveryField_data();
    void karmaRecordsGiveEveryField();
    void richestRecordWithAFixIsRead_data();
    void richestRecordWithAFixIsRead();
    void systemClockBecomesUtcWhereSound_data();
    void systemClockBecomesUtcWhereSound();
    void damagedKlvIsNotTrusted_data();
    void damagedKlvIsNotTrusted();
    void secondReadingsAgree_data();
    void secondReadingsAgree();
};

void TestGpmf::gps5PointsAreSpreadOverTheirPayloadWithEveryField()
{
    const QList<Fix> r = route(36, -33.8688, -151.2093); // south and west: signs must survive
    GpmfPayload a, b;
    a.gps = r.mid(0, 18);
    b.gps = r.mid(18, 18);
    const LayoutResult res = readBytes(gpmfFile({a, b}));
    QCOMPARE(res.status, ReadStatus::Found);
    QCOMPARE(res.code, 40);
    QCOMPARE(res.name, QStringLiteral("GoPro GPMF"));
    QCOMPARE(res.samples.size(), 36);
    for (int i = 0; i < 36; ++i) {
        const AssistInfo &s = res.samples[i];
        QCOMPARE(s.timeMs, qint64(i / 18) * 1000 + (i % 18) * 1000 / 18);
        QVERIFY(s.hasPosition);
        QCOMPARE(s.latitudeDeg, scaledDegrees(r[i].lat));
        QCOMPARE(s.longitudeDeg, scaledDegrees(r[i].lon));
        QCOMPARE(s.latitude, QString::number(scaledDegrees(r[i].lat), 'f', 7));
        QCOMPARE(s.longitude, QString::number(scaledDegrees(r[i].lon), 'f', 7));
        QCOMPARE(s.speed, int(r[i].speedKmh));
        QVERIFY(!s.hasGSensor);
    }
    // The route heads south-west at a constant angle; GPMF stores no course, it is derived.
    QVERIFY(res.samples[5].course > 180.0 && res.samples[5].course < 270.0);
    QCOMPARE(res.samples[0].course, 0.0);
}

void TestGpmf::accelerometerIsAveragedPerGpsSlotInG()
{
    GpmfPayload p;
    p.gps = route(2, 10, 20);
    // 4 readings: the first two belong to GPS point 0, the last two to point 1.
    p.accl = accl(1, 418, 0, -418) + accl(1, 0, 418, 0) + accl(2, 836, 0, 0);
    const LayoutResult res = readBytes(gpmfFile({p}));
    QCOMPARE(res.samples.size(), 2);
    const double g = 9.80665;
    QVERIFY(res.samples[0].hasGSensor);
    QVERIFY(qAbs(res.samples[0].x - 0.5 / g) < 1e-6);
    QVERIFY(qAbs(res.samples[0].y - 0.5 / g) < 1e-6);
    QVERIFY(qAbs(res.samples[0].z + 0.5 / g) < 1e-6);
    QVERIFY(qAbs(res.samples[1].x - 2.0 / g) < 1e-6);
    QCOMPARE(res.samples[1].y, 0.0f);
}

void TestGpmf::noFixGivesSamplesWithoutPosition()
{
    GpmfPayload fix, none;
    fix.gps = route(3, 1, 2);
    none.gps = route(3, 1, 2);
    none.fix = 0;
    const LayoutResult res = readBytes(gpmfFile({none, fix}));
    QCOMPARE(res.samples.size(), 6);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!res.samples[i].hasPosition);
        QVERIFY(res.samples[i].latitude.isEmpty() && res.samples[i].longitude.isEmpty());
        QCOMPARE(res.samples[i].speed, 0);
        QVERIFY(res.samples[i + 3].hasPosition);
    }
    QCOMPARE(res.samples[3].timeMs, qint64(1000));
}

void TestGpmf::gps9CarriesItsOwnFixPerPoint()
{
    GpmfPayload p;
    p.gps9 = true;
    p.fix = -1;
    p.gps = route(4, 51.5, -0.12);
    p.gps[2].valid = false;
    const LayoutResult res = readBytes(gpmfFile({p}));
    QCOMPARE(res.samples.size(), 4);
    QCOMPARE(res.samples[1].latitudeDeg, scaledDegrees(p.gps[1].lat));
    QCOMPARE(res.samples[1].longitudeDeg, scaledDegrees(p.gps[1].lon));
    QCOMPARE(res.samples[1].speed, int(p.gps[1].speedKmh));
    QCOMPARE(res.samples[1].timeMs, qint64(100)); // by the points' own clock
    QCOMPARE(res.samples[3].timeMs, qint64(300));
    QVERIFY(!res.samples[2].hasPosition);
    QVERIFY(res.samples[3].hasPosition);

    // Cameras that write both streams give each point once, from GPS9.
    const QByteArray both = gpmfPayload(p);
    GpmfPayload five;
    five.gps = route(10, -5, -5);
    QByteArray devc = both.mid(8) + gpmfPayload(five).mid(8);
    const LayoutResult once = readBytes(rawGpmdFile({nested("DEVC", devc)}));
    QCOMPARE(once.samples.size(), 4);
    QCOMPARE(once.samples[0].latitudeDeg, scaledDegrees(p.gps[0].lat));

    // A clock that runs past the payload is not trusted: the points are spread instead.
    p.gps9StepMs = 600;
    const LayoutResult spread = readBytes(gpmfFile({p}));
    QCOMPARE(spread.samples[1].timeMs, qint64(250));
}

void TestGpmf::orientationNamesTheAxisOfEachChannel()
{
    GpmfPayload p;
    p.gps = route(1, 1, 1);
    p.accl = accl(2, 418, 836, 1254); // 1, 2, 3 m/s^2 in channel order
    p.orin = "YxZ";
    const LayoutResult res = readBytes(gpmfFile({p}));
    QCOMPARE(res.samples.size(), 1);
    const double g = 9.80665;
    QVERIFY(qAbs(res.samples[0].x + 2.0 / g) < 1e-6);
    QVERIFY(qAbs(res.samples[0].y - 1.0 / g) < 1e-6);
    QVERIFY(qAbs(res.samples[0].z - 3.0 / g) < 1e-6);
    p.orin = "XXY"; // names X twice: stored order
    const LayoutResult stored = readBytes(gpmfFile({p}));
    QVERIFY(qAbs(stored.samples[0].x - 1.0 / g) < 1e-6);
}

void TestGpmf::accelerometerAloneGivesTenSamplesASecond()
{
    GpmfPayload p;
    p.fix = -1;
    p.accl = accl(200, 0, 0, 4180);
    const LayoutResult res = readBytes(gpmfFile({p, p}));
    QCOMPARE(res.status, ReadStatus::Found);
    QCOMPARE(res.samples.size(), 20);
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(res.samples[i].timeMs, qint64(i) * 100);
        QVERIFY(!res.samples[i].hasPosition);
        QVERIFY(qAbs(res.samples[i].z - 10.0 / 9.80665) < 1e-5);
    }
}

void TestGpmf::timeScaleOfTheTrackIsHonoured()
{
    GpmfPayload p;
    p.gps = route(2, 1, 1);
    const LayoutResult res = readBytes(gpmfFile({p, p, p}, 90000));
    QCOMPARE(res.samples.size(), 6);
    QCOMPARE(res.samples[4].timeMs, qint64(2000));
    QCOMPARE(res.samples[5].timeMs, qint64(2500));
}

void TestGpmf::karmaRecordsGiveEveryField_data()
{
    QTest::addColumn<bool>("glpi");
    QTest::newRow("GLPI (GPSPos)") << true;
    QTest::newRow("GPRI (GPSRaw)") << false;
}

void TestGpmf::karmaRecordsGiveEveryField()
{
    QFETCH(bool, glpi);
    const QList<Fix> r = route(10, -33.8688, -151.2093);
    const qint64 unix0 = fixUnix(r[0]) * 1000 + 123;
    const LayoutResult res = readBytes(gpmfFile(karmaPayloads(r, glpi, unix0)));
    QCOMPARE(res.samples.size(), r.size());
    for (int j = 0; j < r.size(); ++j) {
        const AssistInfo &s = res.samples[j];
        const qint64 slot = j / 5 * 1000 + j % 5 * 100; // by the system clock's stamps
        QCOMPARE(s.timeMs, slot);
        QCOMPARE(s.latitudeDeg, scaledDegrees(r[j].lat));
        QCOMPARE(s.longitudeDeg, scaledDegrees(r[j].lon));
        QCOMPARE(s.speed, int(r[j].speedKmh));
        QCOMPARE(s.course, r[j].course); // stored, not derived from the moves
        QCOMPARE(s.utcMs, unix0 + slot);
        QCOMPARE(s.utcClock, AssistInfo::Clock::Camera);
        QVERIFY(!s.hasGSensor);
    }
}

void TestGpmf::richestRecordWithAFixIsRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<double>("latitude"); // of the record read; 0: none has a fix
    GpmfPayload all;
    all.gps = route(3, 10, 10);
    all.glpi = route(3, 20, 20);
    all.gpri = route(3, 30, 30);
    QTest::newRow("GLPI over GPRI and GPS5") << gpmfFile({all}) << 20.0;
    GpmfPayload noGlpi = all;
    for (Fix &f : noGlpi.glpi)
        f.valid = false;
    QTest::newRow("GPRI when GLPI has no fix") << gpmfFile({noGlpi}) << 30.0;
    GpmfPayload cameraOnly = noGlpi;
    cameraOnly.gpri = noGlpi.glpi;
    QTest::newRow("GPS5 when the drone has no fix") << gpmfFile({cameraOnly}) << 10.0;
    GpmfPayload nine = all;
    nine.gps9 = true;
    QTest::newRow("GPS9 over the drone") << gpmfFile({nine}) << 10.0;
    GpmfPayload none = cameraOnly;
    none.fix = 0;
    QTest::newRow("no fix anywhere") << gpmfFile({none}) << 0.0;
}

void TestGpmf::richestRecordWithAFixIsRead()
{
    QFETCH(QByteArray, file);
    QFETCH(double, latitude);
    const LayoutResult res = readBytes(file);
    QCOMPARE(res.samples.size(), 3); // each point once, from one record
    for (const AssistInfo &s : res.samples) {
        QCOMPARE(s.hasPosition, latitude != 0.0);
        QVERIFY(!s.hasPosition || qAbs(s.latitudeDeg - latitude) < 0.01);
    }
}

void TestGpmf::systemClockBecomesUtcWhereSound_data()
{
    // Two payloads of two GLPI points stamped 20.5 s and 21.5 s on the system clock; the SYST
    // pairs each payload holds, and the UTC read for each first point.
    QTest::addColumn<Pairs>("first");
    QTest::addColumn<Pairs>("second");
    QTest::addColumn<qint64>("utc0");
    QTest::addColumn<qint64>("utc1");
    const qint64 u = fixUnix(Fix{}) * 1000;
    QTest::newRow("between two pairs") << Pairs{{20000000, u}, {22000000, u + 2000}} << Pairs{}
                                       << u + 500 << u + 1500;
    QTest::newRow("pairs later in the track")
        << Pairs{} << Pairs{{21000000, u}, {22000000, u + 1000}} << u - 500 << u + 500;
    QTest::newRow("one pair: its offset")
        << Pairs{{19000000, u}} << Pairs{} << u + 1500 << u + 2500;
    QTest::newRow("a drifting clock followed")
        << Pairs{{20000000, u}} << Pairs{{30000000, u + 10020}} << u + 501 << u + 1503;
    QTest::newRow("a clock set anew between pairs")
        << Pairs{{20000000, u}} << Pairs{{21000000, u + 3600000}} << qint64(-1) << qint64(-1);
    QTest::newRow("a date before 2000") << Pairs{{20000000, 1000}} << Pairs{} << qint64(-1)
                                        << qint64(-1);
    QTest::newRow("no pairs") << Pairs{} << Pairs{} << qint64(-1) << qint64(-1);
}

void TestGpmf::systemClockBecomesUtcWhereSound()
{
    QFETCH(Pairs, first);
    QFETCH(Pairs, second);
    QFETCH(qint64, utc0);
    QFETCH(qint64, utc1);
    const QList<Fix> r = route(4, 1, 1);
    QList<GpmfPayload> payloads;
    for (int i = 0; i < 2; ++i) {
        GpmfPayload p;
        p.fix = -1;
        p.glpi = r.mid(i * 2, 2);
        p.systemMs = 20500 + i * 1000;
        p.syst = i ? second : first;
        payloads << p;
    }
    const LayoutResult res = readBytes(gpmfFile(payloads));
    QCOMPARE(res.samples.size(), 4);
    QCOMPARE(res.samples[0].utcMs, utc0);
    QCOMPARE(res.samples[2].utcMs, utc1);
    QCOMPARE(res.samples[3].utcMs, utc1 < 0 ? utc1 : utc1 + 100);
    const auto clock = utc0 < 0 ? AssistInfo::Clock::None : AssistInfo::Clock::Camera;
    QCOMPARE(res.samples[0].utcClock, clock);
}

void TestGpmf::damagedKlvIsNotTrusted_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("expectedSamples");
    GpmfPayload good;
    good.gps = route(2, 1, 1);
    const QByteArray ok = gpmfPayload(good);
    QByteArray oversized = ok;
    oversized[6] = '\x7f'; // DEVC repeat far beyond the sample
    QByteArray childTooBig = ok;
    const int gps5 = childTooBig.indexOf("GPS5");
    childTooBig[gps5 + 6] = '\x10'; // GPS5 repeat beyond its STRM
    QByteArray badKey = ok;
    badKey[badKey.indexOf("STRM")] = '\x01';
    // A fix item with no value (repeat 0) leaves the fix to the coordinates.
    QByteArray point;
    for (qint32 v : {10000000, 20000000, 0, 1000, 100})
        point += be32s(v);
    const QByteArray emptyFix = nested("DEVC",
        nested("STRM",
            klv("GPSF", 'L', 4, 0, {}) + klv("SCAL", 'l', 4, 1, be32s(10000000))
                + klv("GPS5", 'l', 20, 1, point)));
    // The drone's records with a TYPE that does not fill their rows, or too few fields for a
    // point: not read, the camera's GPS5 is.
    GpmfPayload drone = good;
    drone.glpi = route(3, 5, 5);
    drone.gpri = route(3, 6, 6);
    QByteArray badTypes = gpmfPayload(drone);
    badTypes.replace("LllllsssS", "LllllsssL").replace("JlllSSSSBB", "JlllJSSBBB");
    QTest::newRow("intact") << ok << 2;
    QTest::newRow("drone records that do not add up") << badTypes << 2;
    QTest::newRow("fix item without a value") << emptyFix << 1;
    QTest::newRow("parent larger than the sample") << oversized << 0;
    QTest::newRow("child larger than its parent") << childTooBig << 0;
    QTest::newRow("key that is not text") << badKey << 0;
    QTest::newRow("not GPMF at all") << QByteArray(64, '\x41') << 0;
}

void TestGpmf::damagedKlvIsNotTrusted()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, expectedSamples);
    const LayoutResult res = readBytes(rawGpmdFile({payload}));
    QCOMPARE(res.samples.size(), expectedSamples);
    // A gpmd track whose payloads are not GPMF is left to the readers of other makers' records.
    QCOMPARE(res.status, expectedSamples ? ReadStatus::Found : ReadStatus::None);
}

void TestGpmf::secondReadingsAgree_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<double>("sinceVersion"); // the first ExifTool that reads the record
    QList<GpmfPayload> payloads;
    const QList<Fix> r = route(54, 47.37, 8.54);
    for (int i = 0; i < 3; ++i) {
        GpmfPayload p;
        p.gps = r.mid(i * 18, 18);
        p.accl = accl(60, 40, -20, 4100);
        payloads.append(p);
    }
    GpmfPayload nine;
    nine.gps9 = true;
    nine.gps = r.mid(0, 5);
    // ExifTool turns a system time into a date only when it has a fraction of a second.
    const qint64 unix0 = fixUnix(r[0]) * 1000 + 123;
    QTest::newRow("GPS5 under GPSU") << gpmfFile(payloads) << QByteArray("GPS5") << 0.0;
    QTest::newRow("GPS9 days and seconds") << gpmfFile({nine}) << QByteArray("GPS9") << 13.04;
    QTest::newRow("GLPI on the system clock")
        << gpmfFile(karmaPayloads(r.mid(0, 10), true, unix0)) << QByteArray("GLPI") << 0.0;
    QTest::newRow("GPRI on the system clock")
        << gpmfFile(karmaPayloads(r.mid(0, 10), false, unix0)) << QByteArray("GPRI") << 0.0;
}

void TestGpmf::secondReadingsAgree()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, record);
    QFETCH(double, sinceVersion);
    QTemporaryDir dir;
    const QString path = dir.filePath("GX010001.MP4");
    QVERIFY(mp4fx::writeFile(path, file));
    const LayoutResult res = readFile(readGpmfTrack, path);
    QVERIFY(res.samples.size() >= 5);

    auto mp4 = Mp4File::open(path);
    QVERIFY(mp4);
    if (haveTool("ffprobe")) {
        const QList<ProbedTrack> probed = ffprobeTracks(path);
        QCOMPARE(probed.size(), mp4->trackCount());
        QCOMPARE(probed[1].codecType, QStringLiteral("data"));
        QCOMPARE(probed[1].codecTag.toLatin1(), mp4->track(1).sampleEntryType);
        QCOMPARE(mp4->track(1).handlerType, QByteArray("meta"));
        QCOMPARE(probed[1].frames, mp4->track(1).sampleCount);
    }
    if (!haveTool("exiftool"))
        QSKIP("exiftool is not installed");
    const double version = exiftoolVersion();
    if (version < sinceVersion)
        QSKIP(qPrintable(QStringLiteral("ExifTool %1 reads no %2").arg(version).arg(QString(record))));
    // Karma's GPRI is a record ExifTool knows only with -u.
    const QList<EtFix> et = exiftoolFixes(path, {"-ee", "-u"});
    QCOMPARE(et.size(), res.samples.size());
    const bool karma = record == "GLPI" || record == "GPRI";
    // Speed in m/s, GPS5's in km/h from ExifTool 13.04 on; GLPI's as velocity X and Y.
    const double toKmh = karma || version < 13.04 ? 3.6 : 1.0;
    for (int i = 0; i < et.size(); ++i) {
        const AssistInfo &s = res.samples[i];
        QVERIFY2(qAbs(et[i].lat - s.latitudeDeg) < 1e-6, qPrintable(QString::number(et[i].lat)));
        QVERIFY(qAbs(et[i].lon - s.longitudeDeg) < 1e-6);
        const double speed = record == "GLPI"
            ? std::hypot(et[i].tags.value("GPSSpeedX"), et[i].tags.value("GPSSpeedY"))
            : et[i].speed;
        QVERIFY(qAbs(speed * toKmh - s.speed) < 0.5);
        if (karma) { // the stored track, the system clock's UTC to the ms
            QVERIFY(qAbs(et[i].tags.value("GPSTrack") - s.course) < 1e-6);
            QVERIFY2(qAbs(et[i].utcMs - s.utcMs) <= 1, qPrintable(QString::number(et[i].utcMs)));
        }
    }
    // GPSU once a payload, for its first point; GPS9 and Karma in every point.
    const QString utc = utcDisagreement(et, res.samples);
    QVERIFY2(utc.isEmpty(), qPrintable(utc));
}

QTEST_GUILESS_MAIN(TestGpmf)
#include "test_gpmf.moc"
