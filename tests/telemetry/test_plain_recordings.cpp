// Ordinary recordings written by the real ffmpeg (video, audio, subtitles, a udta text) carry no
// telemetry: every reader and the whole load must find none, not G values read from frames.

#include "assistfile.h"
#include "bytesource.h"
#include "telemetryloader.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestPlainRecordings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noTelemetryInAnyContainer_data();
    void noTelemetryInAnyContainer();
    void toolPrintsNoSamples();

private:
    QString make(const QString &name, const QStringList &outputArgs);
    QTemporaryDir m_dir;
    QString m_ffmpeg;
    QString m_subtitles;
};

void TestPlainRecordings::initTestCase()
{
    QLoggingCategory::setFilterRules("default.debug=false");
    m_ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    if (m_ffmpeg.isEmpty())
        QSKIP("ffmpeg is not installed");
    m_subtitles = m_dir.filePath("subs.srt");
    QFile srt(m_subtitles);
    QVERIFY(srt.open(QIODevice::WriteOnly));
    srt.write("1\n00:00:00,000 --> 00:00:01,500\nSpeed 42 km/h, $ and @ too\n\n"
              "2\n00:00:01,500 --> 00:00:03,000\nN 47.28 E 8.56\n\n");
}

QString TestPlainRecordings::make(const QString &name, const QStringList &outputArgs)
{
    const QString path = m_dir.filePath(name);
    QStringList args = {"-hide_banner", "-loglevel", "error", "-y",
                        "-f", "lavfi", "-i", "testsrc=size=64x48:rate=30:duration=3",
                        "-f", "lavfi", "-i", "sine=frequency=440:duration=3",
                        "-i", m_subtitles};
    args << outputArgs << path;
    QProcess p;
    p.start(m_ffmpeg, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qWarning() << "ffmpeg failed:" << p.readAllStandardError();
    return QFileInfo(path).size() > 0 ? path : QString();
}

void TestPlainRecordings::noTelemetryInAnyContainer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("args");
    const QStringList streams = {"-map", "0:v", "-map", "1:a", "-map", "2:s"};
    QTest::newRow("mp4") << "plain.mp4"
                         << (streams + QStringList{"-c:v", "libx264", "-preset", "ultrafast",
                                                   "-c:a", "aac", "-c:s", "mov_text",
                                                   "-metadata", "title=Trip, day 1"});
    QTest::newRow("mov") << "plain.mov"
                         << (streams + QStringList{"-c:v", "mpeg4", "-c:a", "aac", "-c:s",
                                                   "mov_text", "-metadata", "comment=NT96650A"});
    QTest::newRow("mp4 video only") << "video.mp4"
                                    << QStringList{"-map", "0:v", "-c:v", "mpeg4", "-g", "30"};
    QTest::newRow("mkv") << "plain.mkv"
                         << (streams + QStringList{"-c:v", "libx264", "-preset", "ultrafast",
                                                   "-c:a", "aac", "-c:s", "srt"});
    QTest::newRow("ts") << "plain.ts"
                        << QStringList{"-map", "0:v", "-map", "1:a", "-c:v", "mpeg2video",
                                       "-c:a", "mp2"};
}

void TestPlainRecordings::noTelemetryInAnyContainer()
{
    QFETCH(QString, name);
    QFETCH(QStringList, args);
    const QString path = make(name, args);
    QVERIFY2(!path.isEmpty(), qPrintable(name));

    const TelemetryLoad load = loadTelemetry(path, nullptr);
    QCOMPARE(load.samples.size(), 0);
    QVERIFY(load.error.isEmpty());

    // Each chip reader on its own, whatever the detection would pick.
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks(path), 0);
    QCOMPARE(f.readFrameTailBlocks(path), 0);
    QCOMPARE(f.readTabTextTrack(path), 0);
    QCOMPARE(f.readTrailerRecords(path), 0);
    ByteSource src(path);
    QVERIFY(src.isOpen());
    // Layout 5 through an index table, as if a gps box had named some entries.
    for (int L : {1, 8, 1000})
        QCOMPARE(f.readIndexedBlocks(src, L), 0);
}

void TestPlainRecordings::toolPrintsNoSamples()
{
    const QString path =
        make("tool.mp4", {"-map", "0:v", "-map", "1:a", "-c:v", "mpeg4", "-c:a", "aac",
                          "-metadata", "title=a, \"quoted\" title"});
    QVERIFY(!path.isEmpty());
    QProcess tool;
    tool.start(ZEVIDUD_TELEMETRY_TOOL, {"--verbose", path});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 0);
    const QByteArray out = tool.readAllStandardOutput();
    // Any udta text makes it layout 4 to the chip detection; its reader finds no sentence.
    QVERIFY2(out.startsWith("# device=4 gpsLength=0 samples=0\n"), out.constData());
    QVERIFY(tool.readAllStandardError().contains("# layout 4: Novatek aligned blocks\n"));
}

QTEST_GUILESS_MAIN(TestPlainRecordings)
#include "test_plain_recordings.moc"
