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

// n moments from the first fix's on, stepMs apart (the fixes are one a second).
QVector<qint64> steps(const Fix &first, int n, qint64 stepMs = 1000)
{
    QVector<qint64> out;
    for (int k = 0; k < n; ++k)
        out << fixUnix(first) * 1000 + k * stepMs;
    return out;
}

// One cue or record per fix.
template <typename Fn> QList<QByteArray> each(const QList<Fix> &r, Fn record)
{
    QList<QByteArray> out;
    for (const Fix &f : r)
        out << record(f);
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
    const QVector<qint64> moments = steps(r[0], r.size());
    const QVector<qint64> none(r.size(), -1);
    const QString inFile;
    const auto row = [&](const char *name, const QByteArray &bytes, int code, bool dated, Clock clock) {
        QTest::newRow(name) << bytes << inFile << code << (dated ? moments : none) << clock;
    };
    row("NMEA cues", textTrackFile(each(r, [](const Fix &f) { return rmc(f); })), 41, true, Clock::Gps);
    row("Thinkware", textTrackFile(each(r, [](const Fix &f) {
        return "gsensori,4,512,1,2,3;" + rmc(f, "GN", false);
    }), "sbtl", "tx3g"), 42, true, Clock::Gps);
    row("Nextbase", textTrackFile(each(r, [](const Fix &f) { return nextbaseCue(f, 1, 2, 3); })), 58,
        true, Clock::Gps);
    row("Mini 0806", textTrackFile(each(r, [](const Fix &f) { return mini0806Cue(f, 1, 2, 3); })), 59,
        true, Clock::Gps);
    row("Roadhawk", textTrackFile(each(r, [](const Fix &f) { return roadhawkCue(f, .1, .2, .3); })),
        65, true, Clock::Gps);
    row("E-PRANCE", textTrackFile(each(r, [](const Fix &f) { return epranceCue(f, 1, 2, 3, 7); })),
        66, true, Clock::Gps);
    row("GGA has no date", textTrackFile(each(r, gga)), 41, false, Clock::None);
    row("camm GPS time", dataTrackFile("camm", "camm", each(r, cammGps)), 47, true, Clock::Gps);
    row("FMAS stamp", dataTrackFile("meta", "gpmd", each(r, [](const Fix &f) {
        return fmasRecord(f, 0, 0, 1);
    })), 48, true, Clock::Camera);
    row("XOR-0xAA stamp", dataTrackFile("meta", "gpmd", each(r, xorTextRecord)), 49, true,
        Clock::Camera);
    row("Rove stamp", dataTrackFile("meta", "ssmd", each(r, roveRecord)), 44, true, Clock::Camera);
    row("SigmaStar keeps no date", dataTrackFile("meta", "ssmd", each(r, ssmdRecord)), 43, false,
        Clock::None);
    row("PNDM keeps no time", dataTrackFile("text", "text", each(r, pndmRecord)), 56, false,
        Clock::None);
    QList<Fix> fixed = r;
    fixed[1].valid = true; // LIGOGPSINFO records without a fix are left out by their readers
    row("LigoGPS samples", dataTrackFile("meta", "ssmd", each(r, [](const Fix &f) {
        return ligoSample(f, true, 1);
    })), 57, true, Clock::Camera);
    row("gps0 date fields", gps0File(fixed), 50, true, Clock::Gps);
    row("70mai atom keeps seconds only", gps70maiFile(r), 51, false, Clock::None);
    row("BlackVue free box", blackvueFreeFile(r, moments[0], moments[0], {}), 52, true, Clock::Gps);
    row("udat log", udatFile(r), 53, true, Clock::Gps);
    row("Garmin seconds since 1904", garminUuidFile(r), 54, true, Clock::Gps);
    row("#### trailer", hashTrailerFile(each(r, [](const Fix &f) { return ligoText(f, 0, 0, 1); })),
        55, true, Clock::Camera);
    row("&&&& trailer", ligoTrailerFile(fixed, true), 55, true, Clock::Camera);

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
