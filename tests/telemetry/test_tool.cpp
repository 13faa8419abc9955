// The output contract of zevidud-telemetry: exit codes, the text table, GPX read back with
// gpsbabel, and the statistics line.

#include "mp4_fixtures.h"
#include "telemetry_fixtures.h"
#include "telemetryoutput.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace mp4fx;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(ZEVIDUD_TELEMETRY_TOOL), args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray trailerRecording()
{
    using namespace fixtures;
    const QList<QByteArray> records = {
        trailerRecord(512, -256, 1024, 'A', 'W', 'N', 118, 30, 0, 22, 15, 0, 40, 90),
        trailerRecord(0, 0, 0, 'V', 'E', 'N', 0, 0, 0, 0, 0, 0, 12, 5),
        trailerRecord(-1024, 0, 1, 'A', 'E', 'S', 114, 3, 50000, 22, 30, 0, 88, 359)};
    return trailerFile(records).toBytes();
}

// A maker's text track with one RMC sentence, behind a top-level box the walk reports.
QByteArray textTrackRecording()
{
    TrackPlan t;
    t.handler = "text";
    t.samples = {textSample("GPS:$GPRMC,1,A,2232.1234,S,11403.1234,W,35.5,0,,,")};
    FilePlan layout;
    layout.tracks = {t};
    layout.topBefore = {box("qmdx", "q")};
    return buildMp4(layout);
}

} // namespace

class TestTool : public QObject
{
    Q_OBJECT

private slots:
    void plainOutput();
    void fileWithoutTelemetry();
    void unreadableFiles();
    void gpxReadsBackWithGpsbabel();
    void statsLine();
    void notRegularFilesFailAtOnce();
    void gpxKeepsZeroDegrees();
    void csvFieldsAreQuoted();
    void verboseNamesTheLayout();

private:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        return writeFile(path, bytes) ? path : QString();
    }

    QTemporaryDir m_dir;
};

void TestTool::plainOutput()
{
    const Run r = runTool({write("trailer.mp4", trailerRecording())});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData()); // debug lines stay off without --verbose
    const QList<QByteArray> lines = r.out.split('\n');
    QCOMPARE(lines.size(), 6); // header, columns, three samples, final newline
    QCOMPARE(lines[0], QByteArray("# device=9 gpsLength=0 samples=3"));
    QCOMPARE(lines[1], QByteArray("x,y,z,latitude,longitude,speed,course"));
    QCOMPARE(lines[2], QByteArray("0.5,-0.25,1,22.25000,-118.50000,40,90"));
    QCOMPARE(lines[3], QByteArray("0,0,0,,,12,5"));
    QCOMPARE(lines[4], QByteArray("-1,0,0.000976562,-22.50000,114.05833,88,359"));
    QCOMPARE(lines[5], QByteArray());

    // An MP4 track recording: the coordinate texts come out exactly as the reader wrote them.
    const Run m = runTool({write("maker.mp4", textTrackRecording())});
    QCOMPARE(m.exitCode, 0);
    QCOMPARE(m.out, QByteArray("# device=6 gpsLength=0 samples=1\n"
                               "x,y,z,latitude,longitude,speed,course\n"
                               "0,0,0,-22.5354,-114.052,35,0\n"));

    // The gps box length shows in the header.
    const QByteArray masked = fixtures::maskedBlock("N22321234E114031234", "57", "+098-012+100");
    const Run g = runTool({write("masked.mp4", indexTableFile({gpsBox(1, 1),
                                                               udtaBox("info", "fmt")},
                                                              {masked}, "GPSINDEX"))});
    QCOMPARE(g.exitCode, 0);
    QCOMPARE(g.out.split('\n').value(0), QByteArray("# device=8 gpsLength=1 samples=1"));
    QCOMPARE(g.out.split('\n').value(2), QByteArray("0.98,-0.12,1,22.53530,114.05200,57,0"));
}

void TestTool::fileWithoutTelemetry()
{
    const Run r = runTool({write("notes.txt", "just some text\n")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("# device=0 gpsLength=0 samples=0\n"
                               "x,y,z,latitude,longitude,speed,course\n"));
    const Run e = runTool({write("empty.mp4", QByteArray())});
    QCOMPARE(e.exitCode, 0);
    QVERIFY(e.out.startsWith("# device=0 gpsLength=0 samples=0\n"));
}

void TestTool::unreadableFiles()
{
    const Run missing = runTool({m_dir.filePath("does-not-exist.mp4")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.out.isEmpty());
    QVERIFY(missing.err.contains("does-not-exist.mp4"));
    const QString locked = write("locked.mp4", "x");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    QFile probe(locked);
    if (probe.open(QIODevice::ReadOnly)) {
        probe.close(); // running as root: permissions do not stop reading
    } else {
        const Run denied = runTool({locked});
        QCOMPARE(denied.exitCode, 1);
        QVERIFY(!denied.err.isEmpty());
    }
}

void TestTool::gpxReadsBackWithGpsbabel()
{
    const QString gpsbabel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    QVERIFY2(!gpsbabel.isEmpty(), "gpsbabel is needed (Debian package gpsbabel)");
    const Run r = runTool({QStringLiteral("--gpx"), write("trailer.mp4", trailerRecording())});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("<?xml"));
    const QString gpx = write("track.gpx", r.out);

    // Back through gpsbabel as plain CSV: one point per sample with a position.
    QProcess babel;
    babel.start(gpsbabel, {"-t", "-i", "gpx", "-f", gpx, "-o", "unicsv", "-F", "-"});
    QVERIFY(babel.waitForFinished(60000));
    QCOMPARE(babel.exitCode(), 0);
    QList<QByteArray> rows = babel.readAllStandardOutput().trimmed().split('\n');
    QVERIFY(rows.size() >= 1);
    const QList<QByteArray> header = rows.takeFirst().trimmed().split(',');
    const int lat = header.indexOf("Latitude");
    const int lon = header.indexOf("Longitude");
    QVERIFY(lat >= 0 && lon >= 0);
    QCOMPARE(rows.size(), 2); // the sample without a fix is left out
    const QList<QByteArray> first = rows[0].trimmed().split(',');
    const QList<QByteArray> second = rows[1].trimmed().split(',');
    QCOMPARE(first.value(lat).toDouble(), 22.25);
    QCOMPARE(first.value(lon).toDouble(), -118.5);
    QCOMPARE(second.value(lat).toDouble(), -22.5);
    QVERIFY(qAbs(second.value(lon).toDouble() - 114.05833) < 1e-5);
    // The extensions carry speed and G values.
    QVERIFY(r.out.contains("<zv:speed>40</zv:speed>"));
    QVERIFY(r.out.contains("<zv:gy>-0.25</zv:gy>"));

    // No positions: a valid, empty track.
    const Run none = runTool({QStringLiteral("--gpx"), write("none.txt", "nothing")});
    QCOMPARE(none.exitCode, 0);
    const QString emptyGpx = write("empty.gpx", none.out);
    babel.start(gpsbabel, {"-t", "-i", "gpx", "-f", emptyGpx, "-o", "unicsv", "-F", "-"});
    QVERIFY(babel.waitForFinished(60000));
    QCOMPARE(babel.exitCode(), 0);
}

void TestTool::statsLine()
{
    const QByteArray bytes = trailerRecording();
    const QString path = write("stats.mp4", bytes);
    const Run r = runTool({QStringLiteral("--stats"), path});
    QCOMPARE(r.exitCode, 0);
    const QList<QByteArray> errLines = r.err.trimmed().split('\n');
    QCOMPARE(errLines.size(), 1);
    const QRegularExpression re(QStringLiteral("^# read (\\d+) of (\\d+) bytes in (\\d+) ms$"));
    const QRegularExpressionMatch m = re.match(QString::fromUtf8(errLines.first()));
    QVERIFY2(m.hasMatch(), errLines.first().constData());
    QCOMPARE(m.captured(2).toLongLong(), qint64(bytes.size()));
    const qint64 read = m.captured(1).toLongLong();
    // The readers read the trailer and its records at least, and not the file many times over.
    QVERIFY(read >= 3 * 132 + 28);
    QVERIFY(read <= 4 * qint64(bytes.size()));
    // The sample table on stdout is unchanged by --stats.
    QCOMPARE(r.out, runTool({path}).out);
}

void TestTool::notRegularFilesFailAtOnce()
{
    const QString fifo = m_dir.filePath("planted.mp4");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Opened plainly, a FIFO without a writer blocks: runTool would wait its full minute.
    // A folder is not refused: it stands for its recordings (test_tool_batch).
    for (const QString &path : {fifo, QStringLiteral("/dev/zero")}) {
        const Run r = runTool({path});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.startsWith("zevidud-telemetry: cannot open " + QFile::encodeName(path)),
                 r.err.constData());
        QVERIFY(r.err.contains("not a regular file"));
    }
}

void TestTool::gpxKeepsZeroDegrees()
{
    using namespace fixtures;
    // Greenwich on the equator with a fix, and a record without one.
    const QByteArray bytes =
        trailerFile({trailerRecord(0, 0, 0, 'A', 'E', 'N', 0, 0, 0, 0, 0, 0, 5, 0),
                     trailerRecord(0, 0, 0, 'V', 'E', 'N', 1, 0, 0, 1, 0, 0, 5, 0)})
            .toBytes();
    const Run r = runTool({QStringLiteral("--gpx"), write("zero.mp4", bytes)});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count("<trkpt "), 1);
    QVERIFY2(r.out.contains("<trkpt lat=\"0.00000\" lon=\"0.00000\">"), r.out.constData());
}

void TestTool::csvFieldsAreQuoted()
{
    AssistInfo plain;
    plain.latitude = "22.5";
    plain.longitude = "-118.25";
    plain.speed = 40;
    AssistInfo odd = plain;
    odd.latitude = "22,5";
    odd.longitude = "say \"hi\"\nthere";
    const QByteArray out = formatSamplesText(12, 0, {plain, odd});
    QCOMPARE(out, QByteArray("# device=12 gpsLength=0 samples=2\n"
                             "x,y,z,latitude,longitude,speed,course\n"
                             "0,0,0,22.5,-118.25,40,0\n"
                             "0,0,0,\"22,5\",\"say \"\"hi\"\"\nthere\",40,0\n"));
    odd.latitude = "cr\rhere";
    odd.longitude = "";
    QVERIFY(formatSamplesText(1, 0, {odd}).endsWith("0,0,0,\"cr\rhere\",,40,0\n"));
}

void TestTool::verboseNamesTheLayout()
{
    const Run r = runTool({QStringLiteral("--verbose"), write("v.mp4", trailerRecording())});
    QCOMPARE(r.exitCode, 0);
    // The layout, the counts and the time: nothing of the readers' debug log.
    const QList<QByteArray> lines = r.err.split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QByteArray("# layout 9: Torven trailer records"));
    QVERIFY2(QRegularExpression(QStringLiteral("^# 3 samples, 2 with a position, read in \\d+ ms$"))
                 .match(QString::fromUtf8(lines[1]))
                 .hasMatch(),
             lines[1].constData());
    // The table on stdout is what it is without --verbose.
    QCOMPARE(r.out, runTool({m_dir.filePath("v.mp4")}).out);
    const Run none = runTool({QStringLiteral("--verbose"), write("n.txt", "nothing")});
    QVERIFY(none.err.startsWith("# layout 0: no telemetry\n# 0 samples, 0 with a position"));

    // The box walk of an MP4 recording is what --dump is for, and only it.
    const QString maker = write("dump.mp4", textTrackRecording());
    const Run verbose = runTool({QStringLiteral("--verbose"), maker});
    QCOMPARE(verbose.err.count('\n'), 2);
    const Run dump = runTool({QStringLiteral("--dump"), maker});
    QCOMPARE(dump.exitCode, 0);
    QVERIFY2(dump.err.count('\n') > 2, dump.err.constData());
    QVERIFY(!dump.err.contains("# layout"));
    QCOMPARE(dump.out, verbose.out);
}

QTEST_GUILESS_MAIN(TestTool)
#include "test_tool.moc"
