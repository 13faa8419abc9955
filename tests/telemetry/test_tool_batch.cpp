// zevidud-telemetry over many recordings: a folder of mixed layouts read in parallel, one route
// file per recording or per drive (read back with gpsbabel), and the failures that must give a
// clear message, no partial output and a failing exit status.

#include "mp4_fixtures.h"
#include "routeexport.h"
#include "telemetry_fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace mp4fx;

namespace {

const QString kTool =
    QStringLiteral(ZEVIDUD_BINARY_DIR "/tools/zevidud-telemetry/zevidud-telemetry");

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList &args)
{
    QProcess p;
    p.start(kTool, args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray trailerRecording(int records)
{
    using namespace fixtures;
    QList<QByteArray> list;
    for (int i = 0; i < records; ++i)
        list.append(
            trailerRecord(512, 0, 1024, 'A', 'E', 'N', 114, 3, i * 1000, 22, 30, 0, 40, 90));
    list.append(trailerRecord(0, 0, 0, 'V', 'E', 'N', 0, 0, 0, 0, 0, 0, 12, 5)); // no fix
    return trailerFile(list).toBytes();
}

QByteArray maskedRecording()
{
    const QByteArray masked = fixtures::maskedBlock("N22321234E114031234", "57", "+098-012+100");
    return indexTableFile({gpsBox(1, 2), udtaBox("info", "fmt")}, {masked, masked}, "GPSINDEX");
}

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

// "PATH: layout N (NAME), S samples, P positions[ -> OUT]" per recording, keyed by path.
struct Line
{
    int layout = -1;
    int samples = -1;
    int positions = -1;
    QString output;
};

QHash<QString, Line> progressLines(const QByteArray &err)
{
    static const QRegularExpression re(QStringLiteral(
        "^(.+): layout (\\d+) \\(([^)]*)\\), (\\d+) samples, (\\d+) positions(?: -> (.+))?$"));
    QHash<QString, Line> lines;
    for (const QByteArray &raw : err.split('\n')) {
        const QRegularExpressionMatch m = re.match(QString::fromUtf8(raw));
        if (m.hasMatch())
            lines.insert(m.captured(1), Line{m.captured(2).toInt(), m.captured(4).toInt(),
                                             m.captured(5).toInt(), m.captured(6)});
    }
    return lines;
}

// Points of every track of a GPX or KML file as gpsbabel reads them; -1 when it refuses.
int gpsbabelPoints(const QString &file, const char *format)
{
    QProcess babel;
    babel.start(QStringLiteral("gpsbabel"),
                {"-t", "-i", format, "-f", file, "-o", "unicsv", "-F", "-"});
    if (!babel.waitForFinished(60000) || babel.exitCode() != 0)
        return -1;
    const QByteArray out = babel.readAllStandardOutput().trimmed();
    return out.isEmpty() ? 0 : out.count('\n'); // lines after the header
}

} // namespace

class TestToolBatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void folderOfMixedLayouts();
    void oneRouteFilePerRecording();
    void mergeWritesOneFilePerDrive();
    void singleFileRoutesOnStandardOutput();
    void failuresLeaveNoPartialOutput();
    void usageErrors();
    void fullDiskKeepsNoPartialFile();

private:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        return writeFile(path, bytes) ? path : QString();
    }

    QTemporaryDir m_dir;
    QString m_mixed;
};

void TestToolBatch::initTestCase()
{
    QVERIFY(QFileInfo(kTool).isExecutable());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("gpsbabel")).isEmpty(),
             "gpsbabel is needed (Debian package gpsbabel)");
    m_mixed = m_dir.filePath("mixed");
    write("mixed/trailer.mp4", trailerRecording(3));
    write("mixed/MASKED.MP4", maskedRecording());
    write("mixed/text.mov", textTrackRecording());
    write("mixed/plain.ts", "no telemetry in here");
    write("mixed/notes.txt", "not a recording by its name");
    write("mixed/sub/deeper.mkv", trailerRecording(2));
}

void TestToolBatch::folderOfMixedLayouts()
{
    const Run r = runTool({m_mixed});
    QCOMPARE(r.exitCode, 0);
    const QHash<QString, Line> lines = progressLines(r.err);
    QCOMPARE(r.err.count('\n'), 4); // one line per recording, nothing else
    QCOMPARE(lines.size(), 4);
    const QString trailer = m_mixed + "/trailer.mp4";
    QCOMPARE(lines.value(trailer).layout, 9);
    QCOMPARE(lines.value(trailer).samples, 4);
    QCOMPARE(lines.value(trailer).positions, 3);
    QCOMPARE(lines.value(m_mixed + "/MASKED.MP4").layout, 8);
    QCOMPARE(lines.value(m_mixed + "/MASKED.MP4").positions, 2);
    QCOMPARE(lines.value(m_mixed + "/text.mov").layout, 6);
    QCOMPARE(lines.value(m_mixed + "/plain.ts").samples, 0);
    QVERIFY(!lines.contains(m_mixed + "/sub/deeper.mkv"));

    // Standard output: per recording in name order, a header line and the one-file table.
    QByteArray expected;
    for (const QString name : {"MASKED.MP4", "plain.ts", "text.mov", "trailer.mp4"}) {
        const QString path = m_mixed + "/" + name;
        const Run one = runTool({path});
        QCOMPARE(one.exitCode, 0);
        expected += "# file " + path.toUtf8() + "\n" + one.out;
    }
    QCOMPARE(r.out, expected);

    // Subfolders only when asked; the same file named twice is read once.
    const Run deep = runTool({"--recursive", m_mixed, trailer});
    QCOMPARE(deep.exitCode, 0);
    QCOMPARE(progressLines(deep.err).size(), 5);
    QCOMPARE(progressLines(deep.err).value(m_mixed + "/sub/deeper.mkv").positions, 2);
    QCOMPARE(deep.out.count("# file "), 5);

    // --stats closes the batch with one line over all files; the tables are unchanged.
    const Run stats = runTool({"--stats", "--jobs", "1", m_mixed});
    QCOMPARE(stats.exitCode, 0);
    QCOMPARE(stats.out, r.out);
    const QList<QByteArray> errLines = stats.err.trimmed().split('\n');
    QCOMPARE(errLines.size(), 5);
    const QRegularExpression total(QStringLiteral("^# read (\\d+) bytes of 4 files in \\d+ ms$"));
    const QRegularExpressionMatch m = total.match(QString::fromUtf8(errLines.last()));
    QVERIFY2(m.hasMatch(), errLines.last().constData());
    QVERIFY(m.captured(1).toLongLong() > 0);
}

void TestToolBatch::oneRouteFilePerRecording()
{
    const QString out = m_dir.filePath("out-gpx");
    const Run r = runTool({"--gpx", "-o", out, "--jobs", "3", m_mixed});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty());
    const QHash<QString, Line> lines = progressLines(r.err);
    QCOMPARE(lines.size(), 4);
    QStringList names = QDir(out).entryList(QDir::Files);
    names.sort();
    QCOMPARE(names, QStringList({"MASKED.gpx", "plain.gpx", "text.gpx", "trailer.gpx"}));
    for (auto it = lines.constBegin(); it != lines.constEnd(); ++it) {
        const QString file = QDir(out).filePath(QFileInfo(it.key()).completeBaseName() + ".gpx");
        QCOMPARE(it.value().output, file);
        QCOMPARE(gpsbabelPoints(file, "gpx"), it.value().positions);
    }

    const QString kml = m_dir.filePath("out-kml");
    QCOMPARE(runTool({"--kml", "-o", kml, m_mixed}).exitCode, 0);
    QCOMPARE(gpsbabelPoints(kml + "/trailer.kml", "kml"), 3);
    QCOMPARE(gpsbabelPoints(kml + "/MASKED.kml", "kml"), 2);

    const QString csv = m_dir.filePath("out-csv");
    QCOMPARE(runTool({"--csv", "-o", csv, m_mixed}).exitCode, 0);
    QFile table(csv + "/trailer.csv");
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = table.readAll().split('\n');
    QCOMPARE(rows.value(0).trimmed(), routeCsvHeader().join(QLatin1Char(',')).toUtf8());
    QCOMPARE(rows.size(), 1 + 4 + 1); // header, every sample, final line break

    // With a format and no folder, one document on standard output, a track per recording.
    const Run doc = runTool({"--gpx", m_mixed});
    QCOMPARE(doc.exitCode, 0);
    QCOMPARE(doc.out.count("<trk>"), 4);
    const QString all = write("all.gpx", doc.out);
    QCOMPARE(gpsbabelPoints(all, "gpx"), 3 + 2 + 1);
}

void TestToolBatch::mergeWritesOneFilePerDrive()
{
    // Three clips of one camera five seconds apart make a drive; an hour later, another.
    const QString in = m_dir.filePath("drives");
    write("drives/20240301_120000_F.MP4", trailerRecording(3));
    write("drives/20240301_120005_F.MP4", trailerRecording(2));
    write("drives/20240301_120010_F.MP4", maskedRecording());
    write("drives/20240301_130000_F.MP4", trailerRecording(1));
    const QString out = m_dir.filePath("out-drives");
    const Run r = runTool({"--merge", "--gpx", "-o", out, in});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(progressLines(r.err).size(), 4);
    QVERIFY2(r.err.contains("3 recordings, 7 positions -> " + out.toUtf8()
                            + "/20240301_120000_F.gpx"),
             r.err.constData());
    QStringList names = QDir(out).entryList(QDir::Files);
    names.sort();
    QCOMPARE(names, QStringList({"20240301_120000_F.gpx", "20240301_130000_F.gpx"}));
    QFile first(out + "/20240301_120000_F.gpx");
    QVERIFY(first.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll().count("<trk>"), 1); // the drive is one track
    QCOMPARE(gpsbabelPoints(out + "/20240301_120000_F.gpx", "gpx"), 3 + 2 + 2);
    QCOMPARE(gpsbabelPoints(out + "/20240301_130000_F.gpx", "gpx"), 1);
}

void TestToolBatch::singleFileRoutesOnStandardOutput()
{
    const QString path = m_mixed + "/trailer.mp4";
    const Run kml = runTool({"--kml", path});
    QCOMPARE(kml.exitCode, 0);
    QVERIFY(kml.err.isEmpty());
    QCOMPARE(gpsbabelPoints(write("one.kml", kml.out), "kml"), 3);
    const Run csv = runTool({"--csv", path});
    QCOMPARE(csv.exitCode, 0);
    QCOMPARE(csv.out.count('\n'), 1 + 4);
    // Written to a folder, the same route as on standard output.
    const QString out = m_dir.filePath("out-one");
    QCOMPARE(runTool({"--kml", "-o", out, path}).exitCode, 0);
    QFile file(out + "/trailer.kml");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), kml.out);
}

void TestToolBatch::failuresLeaveNoPartialOutput()
{
    const QString good = m_mixed + "/trailer.mp4";
    // An output folder below a regular file cannot be made, whoever runs the tool.
    const QString blocked = write("regular-file", "x") + "/out";
    const Run unwritable = runTool({"--gpx", "-o", blocked, m_mixed});
    QCOMPARE(unwritable.exitCode, 1);
    QVERIFY(unwritable.out.isEmpty());
    QVERIFY2(unwritable.err.contains("cannot create output folder " + blocked.toUtf8()),
             unwritable.err.constData());
    QVERIFY(progressLines(unwritable.err).isEmpty()); // refused before reading anything

    // A missing file and a FIFO among good ones: both named, the rest written, exit 1.
    const QString missing = m_dir.filePath("vanished.mp4");
    const QString fifo = m_dir.filePath("planted.mp4");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString out = m_dir.filePath("out-partial");
    const Run mixed = runTool({"--gpx", "-o", out, missing, good, fifo});
    QCOMPARE(mixed.exitCode, 1);
    QVERIFY2(mixed.err.contains(missing.toUtf8() + ": error: cannot open"), mixed.err.constData());
    QVERIFY2(mixed.err.contains(fifo.toUtf8() + ": error: cannot open"), mixed.err.constData());
    QVERIFY(mixed.err.contains("not a regular file"));
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{"trailer.gpx"});
    // Without -o the good tables still come out.
    const Run text = runTool({missing, good});
    QCOMPARE(text.exitCode, 1);
    QCOMPARE(text.out.count("# file "), 1);

    // Two recordings of one name in different folders would overwrite each other: refused.
    const QString twin = write("twin/trailer.mp4", trailerRecording(1));
    const QString clashOut = m_dir.filePath("out-clash");
    const Run clash = runTool({"--csv", "-o", clashOut, good, twin});
    QCOMPARE(clash.exitCode, 2);
    QVERIFY(clash.err.contains("would both be written to"));
    QVERIFY(QDir(clashOut).entryList(QDir::Files).isEmpty());

    // A folder without recordings says so and fails.
    QDir().mkpath(m_dir.filePath("nothing"));
    const Run empty = runTool({m_dir.filePath("nothing")});
    QCOMPARE(empty.exitCode, 1);
    QVERIFY(empty.err.contains("no recordings in"));
}

void TestToolBatch::usageErrors()
{
    const QString good = m_mixed + "/trailer.mp4";
    const QString out = m_dir.filePath("out-usage");
    for (const QStringList &args :
         {QStringList{"-o", out, good}, QStringList{"--gpx", "--kml", good},
          QStringList{"--merge", "--gpx", good}, QStringList{}}) {
        const Run r = runTool(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains("Usage:"));
    }
    QVERIFY(!QFileInfo::exists(out));
}

void TestToolBatch::fullDiskKeepsNoPartialFile()
{
    // A 16 KiB tmpfs in a mount namespace of its own: it vanishes with the shell.
    const QString big = write("full/big.mp4", trailerRecording(300)); // a GPX of ~70 KiB
    const QString small = write("full/small.mp4", trailerRecording(1));
    const QString mount = m_dir.filePath("tiny");
    QDir().mkpath(mount);
    const QString script = QStringLiteral(
        "mount -t tmpfs -o size=16k tmpfs \"$1\" || exit 77; shift; \"$@\"; s=$?; "
        "ls -A \"$MNT\"/out; exit $s");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MNT", mount);
    p.setProcessEnvironment(env);
    // One at a time: two writers racing for 16 KiB could both run out.
    p.start("unshare", {"--mount", "sh", "-c", script, "sh", mount, kTool, "--jobs", "1",
                        "--gpx", "-o", mount + "/out", big, small});
    QVERIFY(p.waitForFinished(60000));
    if (p.exitCode() == 77 || p.exitStatus() != QProcess::NormalExit)
        QSKIP("no mount namespace with tmpfs here (needs root)");
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains(big.toUtf8() + ": layout 9") && err.contains("is full"),
             err.constData());
    // Only the small route is there: no partial big.gpx, no temporary file.
    QCOMPARE(p.readAllStandardOutput().trimmed(), QByteArray("small.gpx"));
}

QTEST_GUILESS_MAIN(TestToolBatch)
#include "test_tool_batch.moc"
