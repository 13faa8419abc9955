// The UTC moment of every sample, layout by layout: the moment each fixture wrote, and which
// clock said it (the GPS receiver's or the camera's); -1 where the layout stores no date.

#include "bytesource.h"
#include "realcam_checks.h"
#include "realcam_fixtures.h"
#include "realcams.h"

#include <QtTest>

using namespace rcfx;

Q_DECLARE_METATYPE(QVector<qint64>)
Q_DECLARE_METATYPE(AssistInfo::Clock)

namespace {

using Clock = AssistInfo::Clock;

// The fixes' own moments, one a second from 2025-01-01 10:15:00.
QVector<qint64> fixMoments(const QList<Fix> &r)
{
    QVector<qint64> out;
    for (const Fix &f : r)
        out << fixUnix(f) * 1000;
    return out;
}

// n points of one payload from the first fix's moment on, stepMs apart.
QVector<qint64> steps(const Fix &first, int n, qint64 stepMs)
{
    QVector<qint64> out;
    for (int k = 0; k < n; ++k)
        out << fixUnix(first) * 1000 + k * stepMs;
    return out;
}

} // namespace

class TestRealcamsUtc : public QObject
{
    Q_OBJECT

private slots:
    void everySampleCarriesTheMomentItsLayoutStores_data();
    void everySampleCarriesTheMomentItsLayoutStores();
};

void TestRealcamsUtc::everySampleCarriesTheMomentItsLayoutStores_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("path"); // sidecars are read as the file this names
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<qint64>>("utc");
    QTest::addColumn<AssistInfo::Clock>("clock");

    QList<Fix> r = route(4, 46.2, -1.15);
    r[1].valid = false; // a receiver without a fix keeps its clock
    const QVector<qint64> moments = fixMoments(r);
    const QVector<qint64> none(r.size(), -1);
    QList<QByteArray> cues, think, mini, roadhawk, eprance, nextbase, ggaCues;
    QList<QByteArray> camm, fmas, xored, rove, ssmd, ligo, pndm;
    QList<QByteArray> ligoTexts;
    for (const Fix &f : r) {
        cues << rmc(f);
        think << "gsensori,4,512,1,2,3;" + rmc(f, "GN", false);
        mini << mini0806Cue(f, 1, 2, 3);
        roadhawk << roadhawkCue(f, 0.1, 0.2, 0.3);
        eprance << epranceCue(f, 1, 2, 3, 7);
        nextbase << nextbaseCue(f, 1, 2, 3);
        ggaCues << gga(f);
        camm << cammGps(f);
        fmas << fmasRecord(f, 0, 0, 1);
        xored << xorTextRecord(f);
        rove << roveRecord(f);
        ssmd << ssmdRecord(f);
        ligo << ligoSample(f, true, 1);
        pndm << pndmRecord(f);
        ligoTexts << ligoText(f, 0, 0, 1);
    }
    const QString inFile;
    QTest::newRow("NMEA cues") << textTrackFile(cues) << inFile << 41 << moments << Clock::Gps;
    QTest::newRow("Thinkware") << textTrackFile(think, "sbtl", "tx3g") << inFile << 42 << moments
                               << Clock::Gps;
    QTest::newRow("Nextbase") << textTrackFile(nextbase) << inFile << 58 << moments << Clock::Gps;
    QTest::newRow("Mini 0806") << textTrackFile(mini) << inFile << 59 << moments << Clock::Gps;
    QTest::newRow("Roadhawk") << textTrackFile(roadhawk) << inFile << 65 << moments << Clock::Gps;
    QTest::newRow("E-PRANCE") << textTrackFile(eprance) << inFile << 66 << moments << Clock::Gps;
    QTest::newRow("GGA has no date") << textTrackFile(ggaCues) << inFile << 41 << none
                                     << Clock::None;
    QTest::newRow("camm GPS time") << dataTrackFile("camm", "camm", camm) << inFile << 47
                                   << moments << Clock::Gps;
    QTest::newRow("FMAS stamp") << dataTrackFile("meta", "gpmd", fmas) << inFile << 48 << moments
                                << Clock::Camera;
    QTest::newRow("XOR-0xAA stamp") << dataTrackFile("meta", "gpmd", xored) << inFile << 49
                                    << moments << Clock::Camera;
    QTest::newRow("Rove stamp") << dataTrackFile("meta", "ssmd", rove) << inFile << 44 << moments
                                << Clock::Camera;
    QTest::newRow("SigmaStar keeps no date")
        << dataTrackFile("meta", "ssmd", ssmd) << inFile << 43 << none << Clock::None;
    QTest::newRow("PNDM keeps no time") << dataTrackFile("text", "text", pndm) << inFile << 56
                                        << none << Clock::None;
    QList<Fix> fixed = r;
    fixed[1].valid = true; // LIGOGPSINFO records without a fix are left out by their readers
    QTest::newRow("LigoGPS samples") << dataTrackFile("meta", "ssmd", ligo) << inFile << 57
                                     << moments << Clock::Camera;
    QTest::newRow("gps0 date fields") << gps0File(fixed) << inFile << 50 << moments << Clock::Gps;
    QTest::newRow("70mai atom keeps seconds only")
        << gps70maiFile(r) << inFile << 51 << none << Clock::None;
    QTest::newRow("BlackVue free box")
        << blackvueFreeFile(r, fixUnix(r[0]) * 1000, fixUnix(r[0]) * 1000, {}) << inFile << 52
        << moments << Clock::Gps;
    QTest::newRow("udat log") << udatFile(r) << inFile << 53 << moments << Clock::Gps;
    QTest::newRow("Garmin seconds since 1904") << garminUuidFile(r) << inFile << 54 << moments
                                               << Clock::Gps;
    QTest::newRow("#### trailer") << hashTrailerFile(ligoTexts) << inFile << 55 << moments
                                  << Clock::Camera;
    QTest::newRow("&&&& trailer") << ligoTrailerFile(fixed, true) << inFile << 55 << moments
                                  << Clock::Camera;

    GpmfPayload five, nine;
    five.gps = r;
    nine.gps = r;
    nine.gps9 = true;
    nine.fix = -1;
    // GPSU is the first point's moment; the others follow at the payload's rate.
    QTest::newRow("GPMF GPS5 under GPSU")
        << gpmfFile({five}) << inFile << 40 << steps(r[0], r.size(), 1000 / r.size())
        << Clock::Gps;
    QTest::newRow("GPMF GPS9 days and seconds")
        << gpmfFile({nine}) << inFile << 40 << steps(r[0], r.size(), nine.gps9StepMs)
        << Clock::Gps;

    QTest::newRow("BlackVue .gps") << blackvueGps(r, 1) << "/x/20250101_101500_N.gps" << 60
                                   << moments << Clock::Gps;
    // A line whose RMC has no date yet: the prefix is the camera's clock.
    const QByteArray undated = "[" + QByteArray::number(moments[0] + 500)
        + "]$GPRMC,101500.00,V,,,,,,,,,N*7F\r\n" + blackvueGps(r.mid(1), moments[0] + 500);
    QTest::newRow("BlackVue .gps before the date")
        << undated << "/x/20250101_101500_N.gps" << 60
        << (QVector<qint64>{moments[0] + 500} + moments.mid(1)) << Clock::Camera;
    QTest::newRow(".nmea") << nmeaSidecar(r, false) << "/x/a.nmea" << 62 << moments << Clock::Gps;
    QTest::newRow("Escort .map") << escortMap(r) << "/x/a.map" << 63 << moments << Clock::Gps;
    QTest::newRow("70mai log stamp")
        << seventyMaiLog(r, "NO20250101-101500-000001F.MP4", fixUnix(r[0])) << "/x/GPSData1.txt"
        << 64 << (QVector<qint64>{moments[0] - 5000} + moments) << Clock::Camera;
}

void TestRealcamsUtc::everySampleCarriesTheMomentItsLayoutStores()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(QVector<qint64>, utc);
    QFETCH(AssistInfo::Clock, clock);
    LayoutResult res;
    for (LayoutReadFn fn : {readMetaTracks, readGps0Atoms, readHashTrailer, readSidecars}) {
        ByteSource src = ByteSource::fromBytes(bytes);
        res = fn(src, contextFor(path));
        if (res.status == ReadStatus::Found)
            break;
    }
    QCOMPARE(res.code, code);
    QCOMPARE(res.samples.size(), utc.size());
    for (int i = 0; i < utc.size(); ++i) {
        const AssistInfo &s = res.samples[i];
        QCOMPARE(s.utcMs, utc[i]);
        // The first line of the undated log is the only camera stamp among GPS times.
        const bool gpsAfterCamera = QByteArray(QTest::currentDataTag()).endsWith("before the date")
            && i > 0;
        QCOMPARE(s.utcClock, utc[i] < 0 ? Clock::None : (gpsAfterCamera ? Clock::Gps : clock));
    }
}

QTEST_GUILESS_MAIN(TestRealcamsUtc)
#include "test_realcams_utc.moc"
