// The lines of the information text that the player fills in (mpv expands the rest).
#include "recordinginfo.h"

#include <QtTest>

class TestRecordingInfo : public QObject
{
    Q_OBJECT

private slots:
    // "Gps Item" counts the recording's fixes, whichever reader gave them: the newer readers'
    // samples carry their own time and come with no gps box length.
    void gpsItemsAreTheFixes_data()
    {
        QTest::addColumn<QList<bool>>("fixes"); // per sample: has a position
        QTest::addColumn<bool>("ownTime");       // timed by its reader (newer layouts)
        QTest::addColumn<int>("expected");
        QTest::newRow("no telemetry") << QList<bool>{} << false << 0;
        QTest::newRow("G values only") << QList<bool>{false, false} << false << 0;
        QTest::newRow("older layout") << QList<bool>{true, false, true} << false << 2;
        QTest::newRow("GoPro-like") << QList<bool>{true, true, true, false, true} << true << 4;
    }
    void gpsItemsAreTheFixes()
    {
        QFETCH(QList<bool>, fixes);
        QFETCH(bool, ownTime);
        QFETCH(int, expected);
        AssistInfoList samples;
        for (int i = 0; i < fixes.size(); ++i) {
            AssistInfo s;
            s.hasPosition = fixes.at(i);
            s.hasGSensor = !ownTime;
            s.timeMs = ownTime ? 1000 * i : -1;
            samples << s;
        }
        const QStringList lines =
            recordingInfoText(640, 360, samples, QStringLiteral("GoPro GPMF")).split('\n');
        QVERIFY(lines.contains(QStringLiteral("Gps Item:%1").arg(expected)));
        QVERIFY(lines.contains(QStringLiteral("Display size : 640x360")));
    }

    void saysWhenByTheGpsClock()
    {
        AssistInfoList samples{AssistInfo(), AssistInfo(), AssistInfo()};
        samples[0].setUtc(1492450263000, AssistInfo::Clock::Gps);
        samples[1].setUtc(1492450323000, AssistInfo::Clock::Gps);
        QVERIFY(recordingInfoText(640, 360, samples, QString())
                    .split('\n')
                    .contains(QStringLiteral(
                        "GPS time : 2017-04-17 17:31:03 - 2017-04-17 17:32:03 UTC")));
        QVERIFY(!recordingInfoText(640, 360, {AssistInfo()}, QString()).contains("time :"));
    }
};

QTEST_GUILESS_MAIN(TestRecordingInfo)
#include "test_recordinginfo.moc"
