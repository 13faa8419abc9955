// Finding the sample of a playback moment by time.

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

QTEST_GUILESS_MAIN(TestSampleTime)
#include "test_sampletime.moc"
