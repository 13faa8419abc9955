// Recording start times from camera file names, and from the file time when a name has none.

#include "recordingtime.h"

#include <QtTest>

class TestRecordingTime : public QObject
{
    Q_OBJECT
private slots:
    void fromName_data();
    void fromName();
    void fallsBackToFileTimeMinusDuration();
};

void TestRecordingTime::fromName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected"); // ISO wall-clock time, empty for none

    QTest::newRow("YYYYMMDD_HHMMSS") << "20200101_120000_0001F.MP4" << "2020-01-01T12:00:00";
    QTest::newRow("blackvue mode letters") << "20210314_235959_NR.mp4" << "2021-03-14T23:59:59";
    QTest::newRow("YYYY_MMDD_HHMMSS") << "2021_0101_120000_001A.MP4" << "2021-01-01T12:00:00";
    QTest::newRow("NO novatek") << "NO20211231-235930-000042F.MP4" << "2021-12-31T23:59:30";
    QTest::newRow("YYYYMMDDHHMMSS") << "20190208191225_0060.mp4" << "2019-02-08T19:12:25";
    QTest::newRow("dashes everywhere") << "2022-07-04-08-15-30.MP4" << "2022-07-04T08:15:30";
    QTest::newRow("underscores everywhere") << "REC_2022_07_04_08_15_30_F.MP4"
                                            << "2022-07-04T08:15:30";
    QTest::newRow("date and time parts") << "2022-07-04_08-15-30.mp4" << "2022-07-04T08:15:30";
    QTest::newRow("YYMMDD_HHMMSS") << "220704_081530_012_FH.MP4" << "2022-07-04T08:15:30";
    QTest::newRow("FILE YYMMDD-HHMMSS") << "FILE220704-081530F.MOV" << "2022-07-04T08:15:30";
    QTest::newRow("leap day") << "20240229_000000_A.MP4" << "2024-02-29T00:00:00";

    // A counter next to the time must not shift the digits it is read from.
    QTest::newRow("counter glued to digits is no time") << "1202001011200001.MP4" << "";
    QTest::newRow("invalid month") << "20201301_120000_F.MP4" << "";
    QTest::newRow("not a leap year") << "20230229_120000_F.MP4" << "";
    QTest::newRow("hour 24") << "20200101_240000_F.MP4" << "";
    QTest::newRow("serial number, not a year") << "00001234_567890.MP4" << "";
    QTest::newRow("no digits") << "GRMN0001.MP4" << "";
    // A first match that is no valid time does not hide a later valid one.
    QTest::newRow("second candidate") << "99999999_999999_20200101_120000.MP4"
                                      << "2020-01-01T12:00:00";
}

void TestRecordingTime::fromName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const QDateTime t = recordingTimeFromName(name);
    if (expected.isEmpty()) {
        QVERIFY2(!t.isValid(), qPrintable(t.toString(Qt::ISODate)));
        return;
    }
    QVERIFY(t.isValid());
    QCOMPARE(t.timeSpec(), Qt::UTC);
    QCOMPARE(t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")), expected);
}

void TestRecordingTime::fallsBackToFileTimeMinusDuration()
{
    // The modification time is an instant; the result is its local wall clock less the length.
    const QDateTime modified(QDate(2023, 5, 6), QTime(10, 0, 30), Qt::LocalTime);
    const QDateTime start = recordingStartTime(QStringLiteral("GRMN0007.MP4"), modified, 60500);
    QCOMPARE(start, QDateTime(QDate(2023, 5, 6), QTime(9, 59, 29, 500), Qt::UTC));
    // A time in the name wins over the file time.
    QCOMPARE(recordingStartTime(QStringLiteral("20200101_120000_F.MP4"), modified, 60000),
             QDateTime(QDate(2020, 1, 1), QTime(12, 0), Qt::UTC));
    // Neither: no start.
    QVERIFY(!recordingStartTime(QStringLiteral("clip.mp4"), QDateTime(), 1000).isValid());
}

QTEST_GUILESS_MAIN(TestRecordingTime)
#include "test_recordingtime.moc"
