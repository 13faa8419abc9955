// Finding the sample of a playback moment by time.

#include "geo.h"
#include "sampletime.h"

#include <QtTest>

namespace {

AssistInfoList timedAt(std::initializer_list<qint64> times)
{
    AssistInfoList list;
    for (qint64 t : times) {
        AssistInfo s;
        s.timeMs = t;
        list.append(s);
    }
    return list;
}

} // namespace

class TestSampleTime : public QObject
{
    Q_OBJECT
private slots:
    void lookup_data();
    void lookup();
    void typicalSpacingIgnoresGaps();
    void utcComesFromGpsThenCameraClock();
    void geoDatesAndDegrees();
};

void TestSampleTime::lookup_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<int>("index");
    // One sample a second with second 3 missing (no fix there).
    QTest::newRow("before first") << qint64(-1) << -1;
    QTest::newRow("first") << qint64(0) << 0;
    QTest::newRow("inside second 2") << qint64(2999) << 2;
    QTest::newRow("dropped second shows nothing") << qint64(3500) << -1;
    QTest::newRow("after the gap") << qint64(4000) << 3;
    QTest::newRow("last covers its second") << qint64(5400) << 4;
    QTest::newRow("past the end") << qint64(6600) << -1;
}

void TestSampleTime::lookup()
{
    QFETCH(qint64, ms);
    QFETCH(int, index);
    const AssistInfoList samples = timedAt({0, 1000, 2000, 4000, 5000});
    const qint64 cover = sampleCoverMs(typicalSampleSpacingMs(samples));
    QCOMPARE(sampleIndexAtTime(samples, ms, cover), index);
}

void TestSampleTime::typicalSpacingIgnoresGaps()
{
    QCOMPARE(typicalSampleSpacingMs(timedAt({0, 100, 200, 300, 5000, 5100})), qint64(100));
    QCOMPARE(typicalSampleSpacingMs(timedAt({7})), qint64(1000));
    // Several samples at the same moment, as some cameras write: the last of the run is shown.
    const AssistInfoList same = timedAt({0, 0, 1000});
    QCOMPARE(sampleIndexAtTime(same, 500, 1500), 1);
}

void TestSampleTime::utcComesFromGpsThenCameraClock()
{
    // GPS time at 2 s only; the camera's clock (a day off) is not used where the GPS speaks.
    AssistInfoList samples = timedAt({0, 1000, 2000, 3000});
    samples[2].setUtc(1492450265000, AssistInfo::Clock::Gps);
    samples[3].setUtc(1492450000000, AssistInfo::Clock::Camera); // a stamp of its own stays
    completeUtc(&samples, 1492536663000);
    QCOMPARE(samples.at(0).utcMs, qint64(1492450263000));
    QCOMPARE(samples.at(1).utcClock, AssistInfo::Clock::Gps);
    QCOMPARE(samples.at(3).utcMs, qint64(1492450000000));
    QCOMPARE(samples.at(3).utcClock, AssistInfo::Clock::Camera);

    // Without GPS time: the camera's clock from the start, marked as such; without it, nothing.
    AssistInfoList camera = timedAt({0, 500});
    completeUtc(&camera, 1000000);
    QCOMPARE(camera.at(1).utcMs, qint64(1000500));
    QCOMPARE(camera.at(1).utcClock, AssistInfo::Clock::Camera);
    AssistInfoList none = timedAt({0});
    completeUtc(&none, -1);
    QCOMPARE(none.at(0).utcMs, qint64(-1));
    QCOMPARE(none.at(0).utcClock, AssistInfo::Clock::None);
}

void TestSampleTime::geoDatesAndDegrees()
{
    // NMEA dates and degrees are checked through the decoder in test_nmea; here what it does not
    // reach: a leap day, the text form, out-of-range fields, bearings and distances.
    QCOMPARE(geo::utcMs(2024, 2, 29, 0, 0, 0), qint64(1709164800000));
    QCOMPARE(geo::isoUtc(1492450263250), QByteArray("2017-04-17T17:31:03.250Z"));
    for (const auto &bad : {std::make_pair("170417", "246000"), std::make_pair("321317", "120000"),
                            std::make_pair("1704", "120000"), std::make_pair("17041x", "120000")})
        QCOMPARE(geo::nmeaUtcMs(bad.first, bad.second), qint64(-1));
    QCOMPARE(geo::utcMs(2024, 13, 1, 0, 0, 0), qint64(-1));
    QCOMPARE(geo::ddmmToDegrees(-1.0), -1.0);
    QVERIFY(qAbs(geo::bearingDeg(0, 0, 0, 1) - 90.0) < 1e-9); // east
    QVERIFY(qAbs(geo::bearingDeg(0, 0, 1, 0)) < 1e-9);        // north is 0, not 360
    QVERIFY(qAbs(geo::shortDistanceMetres(0, 0, 0, 0.001) - 111.19) < 0.01);
}

QTEST_GUILESS_MAIN(TestSampleTime)
#include "test_sampletime.moc"
