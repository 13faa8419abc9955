// Recording start times from camera file names, and from the file time when a name has none.

#include "clipmaker.h"
#include "drivegrouping.h"
#include "recordingtime.h"
#include "telemetry_fixtures.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray be64(quint64 v)
{
    return fixtures::be32(quint32(v >> 32)) + fixtures::be32(quint32(v));
}

// A file whose moov holds only a movie header with the given payload.
QString writeMovie(const QTemporaryDir &dir, const QString &name, const QByteArray &mvhdPayload)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(fixtures::box("ftyp", "isom")
            + fixtures::box("moov", fixtures::box("mvhd", mvhdPayload)));
    return path;
}

} // namespace

class TestRecordingTime : public QObject
{
    Q_OBJECT
private slots:
    void fromName_data();
    void fromName();
    void fallsBackToFileTimeMinusDuration();
    void durationFromMovieHeader();
    void entryOfARealRecording();
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

void TestRecordingTime::durationFromMovieHeader()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray v0 = QByteArray(4, '\0') + QByteArray(8, '\0');
    const QByteArray v1 = QByteArray("\x01\0\0\0", 4) + QByteArray(16, '\0');
    QCOMPARE(recordingDurationMs(writeMovie(dir, "v0.mp4", v0 + fixtures::be32(1000)
                                                               + fixtures::be32(61234))),
             qint64(61234));
    QCOMPARE(recordingDurationMs(writeMovie(dir, "v1.mov", v1 + fixtures::be32(600)
                                                               + be64(600 * 90 + 300))),
             qint64(90500));
    QCOMPARE(recordingDurationMs(writeMovie(dir, "cut.mp4", v0 + fixtures::be32(1000) + "\0\0")),
             qint64(-1));
    QCOMPARE(recordingDurationMs(writeMovie(dir, "noscale.mp4", v0 + fixtures::be32(0)
                                                                    + fixtures::be32(5))),
             qint64(-1));
    QCOMPARE(recordingDurationMs(writeMovie(dir, "unknown.mp4", v0 + fixtures::be32(1000)
                                                                    + fixtures::be32(0xffffffffu))),
             qint64(-1));
    QCOMPARE(recordingDurationMs(writeMovie(dir, "huge.mp4", v1 + fixtures::be32(1)
                                                                 + be64(~quint64(0) - 1))),
             qint64(-1));
    QCOMPARE(recordingDurationMs(dir.filePath("missing.mp4")), qint64(-1));
}

void TestRecordingTime::entryOfARealRecording()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ClipOptions options;
    options.seconds = 2;
    options.frameNumbers = false;
    const QString named = makeClip(dir.path(), "20200101_235959_0001R.mp4", options);
    QVERIFY(!named.isEmpty());

    // ffprobe is the second reading of the length.
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format=duration",
                                            "-of", "csv=p=0", named});
    QVERIFY(probe.waitForFinished(30000));
    const double probed = probe.readAllStandardOutput().trimmed().toDouble();
    QVERIFY(probed > 1.5);
    const LibraryEntry entry = libraryEntryOf(named);
    QVERIFY2(qAbs(entry.durationMs - qint64(probed * 1000)) <= 30,
             qPrintable(QString::number(entry.durationMs)));
    QCOMPARE(entry.channel, QStringLiteral("R"));
    QCOMPARE(entry.startMs,
             QDateTime(QDate(2020, 1, 1), QTime(23, 59, 59), Qt::UTC).toMSecsSinceEpoch());

    // Cut and damaged copies: no crash, and a length within bounds or none.
    QFile source(named);
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    const QString damaged = dir.filePath(QStringLiteral("damaged.mp4"));
    QRandomGenerator rng(5);
    for (int round = 0; round < 60; ++round) {
        QByteArray copy = bytes.left(int(rng.bounded(quint32(bytes.size()))));
        if (round % 2 == 1) {
            copy = bytes;
            for (int k = 0; k < 8; ++k)
                copy[int(rng.bounded(quint32(copy.size())))] = char(rng.bounded(256));
        }
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(copy);
        f.close();
        const qint64 ms = recordingDurationMs(damaged);
        QVERIFY(ms >= -1 && ms <= 7ll * 24 * 3600 * 1000);
    }

    // Without a time in the name the file time, less the length, is the start.
    const QString plain = dir.filePath(QStringLiteral("clip.mp4"));
    QVERIFY(QFile::copy(named, plain));
    const QDateTime closed(QDate(2022, 3, 4), QTime(5, 6, 7), Qt::LocalTime);
    {
        QFile f(plain);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(closed, QFileDevice::FileModificationTime));
    }
    const LibraryEntry unnamed = libraryEntryOf(plain);
    QCOMPARE(unnamed.channel, QString());
    QCOMPARE(unnamed.startMs,
             QDateTime(QDate(2022, 3, 4), QTime(5, 6, 7), Qt::UTC).toMSecsSinceEpoch()
                 - entry.durationMs);
}

QTEST_GUILESS_MAIN(TestRecordingTime)
#include "test_recordingtime.moc"
