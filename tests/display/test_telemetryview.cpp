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
        Timeline timeline = timelineFor(samples, false);
        QCOMPARE(applyDuration(&timeline, 60, samples.size()), 60.0);
        for (int p = 0; p < 60; ++p) {
            const Moment m = momentAt(samples, timeline, p * 1000);
            QCOMPARE(m.shown, Shown::Sample);
            QCOMPARE(m.index, p);
            QCOMPARE(m.cursorKey, double(p));
        }
        // The graph keys are the seconds: the sample indices of old wherever nothing is missing.
        const Series series = graphSeries(samples, timeline.keysPerSecond, false);
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
        Timeline timeline = timelineFor(samples, false);
        applyDuration(&timeline, 60, samples.size());
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
        const Series series = graphSeries(samples, timeline.keysPerSecond, false);
        QCOMPARE(series.keys.at(3), 3.0);
        QCOMPARE(series.keys.at(4), 5.0);
    }

    void samplesOffTheirBeatStillCount()
    {
        // GPS-clock times a little early or late; second 6 is missing.
        const AssistInfoList samples = timed({0, 1010, 1990, 3004, 3996, 5020, 7000, 8010});
        const Timeline timeline = timelineFor(samples, false);
        const int expected[] = {0, 1, 2, 3, 4, 5, -1, 6, 7};
        for (int p = 0; p < 9; ++p)
            QCOMPARE(momentAt(samples, timeline, p * 1000).index, expected[p]);
        QCOMPARE(momentAt(samples, timeline, 6000).shown, Shown::Gap);
    }

    void beforeTheFirstSampleIsAGap()
    {
        const AssistInfoList samples = timed({3000, 4000, 5000});
        const Timeline timeline = timelineFor(samples, false);
        QCOMPARE(momentAt(samples, timeline, 0).shown, Shown::Gap);
        QCOMPARE(momentAt(samples, timeline, 3000).index, 0);
        QCOMPARE(momentAt(AssistInfoList(), timeline, 0).shown, Shown::Nothing);
    }

    void trackTelemetryKeysCountItsSamples_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("duration");
        QTest::addColumn<double>("keysPerSecond");
        QTest::addColumn<double>("upper");
        QTest::newRow("900 over 60 s") << 900 << 60 << 15.0 << 900.0;
        QTest::newRow("91 over 60 s") << 91 << 60 << 2.0 << 120.0;
        QTest::newRow("90 over 60 s") << 90 << 60 << 1.0 << 60.0;
        QTest::newRow("80 over 60 s") << 80 << 60 << 1.0 << 60.0;
        QTest::newRow("30 over 60 s: fewer than seconds") << 30 << 60 << 0.5 << 30.0;
    }
    void trackTelemetryKeysCountItsSamples()
    {
        QFETCH(int, count);
        QFETCH(int, duration);
        QFETCH(double, keysPerSecond);
        QFETCH(double, upper);
        const AssistInfoList samples = spread(count, duration);
        Timeline timeline = timelineFor(samples, true);
        QVERIFY(timeline.trackKeys);
        QCOMPARE(applyDuration(&timeline, duration, count), upper);
        QCOMPARE(timeline.keysPerSecond, keysPerSecond);

        // Every sample lies on the axis, and the last one near its end: none left off.
        const Series series = graphSeries(samples, timeline.keysPerSecond, false);
        QCOMPARE(series.keys.size(), count);
        QVERIFY(series.keys.last() <= upper);
        QVERIFY(series.keys.last() >= upper - qMax(1.0, keysPerSecond));
        // Labels, marker and cursor follow to the last second, and the cursor is on the
        // sample shown.
        for (int p = 0; p < duration; ++p) {
            const Moment m = momentAt(samples, timeline, p * 1000);
            QCOMPARE(m.shown, Shown::Sample);
            QCOMPARE(m.cursorKey, p * keysPerSecond);
            QVERIFY(qAbs(series.keys.at(m.index) - m.cursorKey) <= qMax(1.0, keysPerSecond));
        }
        QVERIFY(momentAt(samples, timeline, (duration - 1) * 1000).index >= count - count / duration - 1);
    }

    void trackOf900ShowsSample150AtSecond10()
    {
        const AssistInfoList samples = spread(900, 60);
        Timeline timeline = timelineFor(samples, true);
        applyDuration(&timeline, 60, 900);
        const Moment m = momentAt(samples, timeline, 10000);
        QCOMPARE(m.index, 150);
        QCOMPARE(m.cursorKey, 150.0);
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
        Timeline timeline = timelineFor(samples, false);
        QCOMPARE(timeline.coverMs, qint64(100));
        QCOMPARE(applyDuration(&timeline, 60, samples.size()), 60.0);
        const Series series = graphSeries(samples, timeline.keysPerSecond, true);
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
