#include "telemetryview.h"

#include <QtTest>

using namespace TelemetryView;

namespace {

// Samples at the given times (ms), G x = the sample's index.
AssistInfoList timed(const QVector<qint64> &times)
{
    AssistInfoList samples;
    for (const qint64 t : times) {
        AssistInfo s;
        s.timeMs = t;
        s.x = float(samples.size());
        samples.append(s);
    }
    return samples;
}

// n samples spread evenly over seconds, as a track's stts gives them (whole milliseconds).
AssistInfoList spread(int n, int seconds)
{
    QVector<qint64> times;
    for (int i = 0; i < n; ++i)
        times.append(qint64(i) * seconds * 1000 / n);
    return timed(times);
}

AssistInfoList everySecond(int n, qint64 skipped = -1)
{
    QVector<qint64> times;
    for (int i = 0; i < n; ++i) {
        if (i != skipped)
            times.append(qint64(i) * 1000);
    }
    return timed(times);
}

} // namespace

class TestTelemetryView : public QObject
{
    Q_OBJECT

private slots:
    void oneSamplePerSecondShowsTheSampleOfEachSecond()
    {
        const AssistInfoList samples = everySecond(60);
        Timeline timeline = timelineFor(samples);
        for (int p = 0; p < 60; ++p) {
            const Moment m = momentAt(samples, timeline, p * 1000);
            QCOMPARE(m.shown, Shown::Sample);
            QCOMPARE(m.index, p);
            QCOMPARE(m.cursorKey, double(p));
        }
        // The graph keys are the seconds: the sample indices of old wherever nothing is missing.
        const Series series = graphSeries(samples, false);
        QCOMPARE(series.keys.size(), 60);
        for (int i = 0; i < 60; ++i) {
            QCOMPARE(series.keys.at(i), double(i));
            QCOMPARE(series.x.at(i), double(i));
        }
        // Past the end the labels keep the last sample.
        QCOMPARE(momentAt(samples, timeline, 60000).shown, Shown::PastEnd);
        QCOMPARE(momentAt(samples, timeline, 3600000).shown, Shown::PastEnd);
    }

    void aMissingSecondIsAGapNotAShift()
    {
        const AssistInfoList samples = everySecond(60, 4); // second 4 has no sample
        Timeline timeline = timelineFor(samples);
        QCOMPARE(momentAt(samples, timeline, 3000).index, 3);
        const Moment gap = momentAt(samples, timeline, 4000);
        QCOMPARE(gap.shown, Shown::Gap);
        QCOMPARE(gap.cursorKey, 4.0);
        // Every later second still shows its own sample (list index one less than the second).
        for (int p = 5; p < 60; ++p) {
            const Moment m = momentAt(samples, timeline, p * 1000);
            QCOMPARE(m.shown, Shown::Sample);
            QCOMPARE(samples.at(m.index).timeMs, qint64(p) * 1000);
        }
        // And the graph leaves the hole where it is.
        const Series series = graphSeries(samples, false);
        QCOMPARE(series.keys.at(3), 3.0);
        QCOMPARE(series.keys.at(4), 5.0);
    }

    void samplesOffTheirBeatStillCount()
    {
        // GPS-clock times a little early or late; second 6 is missing.
        const AssistInfoList samples = timed({0, 1010, 1990, 3004, 3996, 5020, 7000, 8010});
        const Timeline timeline = timelineFor(samples);
        const int expected[] = {0, 1, 2, 3, 4, 5, -1, 6, 7};
        for (int p = 0; p < 9; ++p)
            QCOMPARE(momentAt(samples, timeline, p * 1000).index, expected[p]);
        QCOMPARE(momentAt(samples, timeline, 6000).shown, Shown::Gap);
    }

    void beforeTheFirstSampleIsAGap()
    {
        const AssistInfoList samples = timed({3000, 4000, 5000});
        const Timeline timeline = timelineFor(samples);
        QCOMPARE(momentAt(samples, timeline, 0).shown, Shown::Gap);
        QCOMPARE(momentAt(samples, timeline, 3000).index, 0);
        QCOMPARE(momentAt(AssistInfoList(), timeline, 0).shown, Shown::Nothing);
    }

    void trackTelemetryIsKeyedBySeconds_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("duration");
        QTest::newRow("900 over 60 s") << 900 << 60;
        QTest::newRow("91 over 60 s") << 91 << 60;
        QTest::newRow("30 over 60 s: fewer than seconds") << 30 << 60;
    }
    void trackTelemetryIsKeyedBySeconds()
    {
        // Whatever a track's sample rate, the graph's keys are the playback seconds and each
        // moment shows the sample of its time.
        QFETCH(int, count);
        QFETCH(int, duration);
        const AssistInfoList samples = spread(count, duration);
        const Timeline timeline = timelineFor(samples);
        const Series series = graphSeries(samples, false);
        QCOMPARE(series.keys.size(), count);
        QVERIFY(series.keys.last() < duration);
        for (int p = 0; p < duration; ++p) {
            const Moment m = momentAt(samples, timeline, p * 1000);
            QCOMPARE(m.shown, Shown::Sample);
            QCOMPARE(m.cursorKey, double(p));
            const double lead = double(timeline.leadMs) / 1000.0;
            QVERIFY(series.keys.at(m.index) <= p + lead);
            QVERIFY(m.index + 1 == count || series.keys.at(m.index + 1) > p + lead);
        }
    }

    void trackOf900ShowsSample150AtSecond10()
    {
        const AssistInfoList samples = spread(900, 60);
        const Moment m = momentAt(samples, timelineFor(samples), 10000);
        QCOMPARE(m.index, 150);
        QCOMPARE(m.cursorKey, 10.0);
    }

    void laterLayoutsAreKeyedInSecondsAndDrawOnlyRecordedG()
    {
        // Ten samples a second; every third carries no G values.
        QVector<qint64> times;
        for (int i = 0; i < 600; ++i)
            times.append(qint64(i) * 100);
        AssistInfoList samples = timed(times);
        for (int i = 0; i < samples.size(); i += 3)
            samples[i].hasGSensor = false;
        Timeline timeline = timelineFor(samples);
        QCOMPARE(timeline.coverMs, qint64(100));
        const Series series = graphSeries(samples, true);
        QCOMPARE(series.keys.size(), 400);
        QCOMPARE(series.keys.first(), 0.1);
        QCOMPARE(series.keys.last(), 59.9);
        QCOMPARE(series.x.first(), 1.0);
        const Moment m = momentAt(samples, timeline, 15000);
        QCOMPARE(m.index, 150);
        QCOMPARE(m.cursorKey, 15.0);
    }

    void gValuesOfLayoutsWithoutThem()
    {
        AssistInfo noG;
        noG.hasGSensor = false;
        QVERIFY(showsGValues(noG, 6));     // a chip layout reads 0 g as it always has
        QVERIFY(!showsGValues(noG, 10));   // a later layout says there is no value
        QVERIFY(showsGValues(AssistInfo(), 12));
    }
};

QTEST_GUILESS_MAIN(TestTelemetryView)
#include "test_telemetryview.moc"
