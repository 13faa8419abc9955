// The demo recording maker, run for real: three playable MP4 files whose telemetry tail reads
// back through the trailer-layout rules (records before a 28-byte trailer with an '&' marker and
// a four-digit hex length), plus the drive simulation and the record writer on their own.
#include "drive.h"
#include "drivegrouping.h"
#include "telemetryloader.h"
#include "trailer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <QtMath>

namespace {

const QString kBase = QStringLiteral("20261207_101500_0001");

struct Parsed
{
    bool fix = false;
    double x = 0, y = 0, z = 0;
    QString longitude, latitude;
    int speed = 0;
    int course = 0;
};

double gValue(const QString &field)
{
    const QString magnitude = field.mid(field.indexOf(QLatin1Char(':')) + 1).mid(1);
    const double v = magnitude.toDouble() / 1024.0;
    return field.contains(QLatin1Char('-')) ? -v : v;
}

// Reads a file's tail the way the player's trailer reader does; ok=false when the tail is not
// in that layout.
QVector<Parsed> readTail(const QByteArray &file, bool *ok, int *tailSize = nullptr)
{
    *ok = false;
    QVector<Parsed> out;
    if (file.size() < 28)
        return out;
    const QByteArray trailer = file.right(28);
    if (!trailer.left(4).contains('&'))
        return out;
    bool hexOk = false;
    const int length = QString::fromLatin1(trailer.mid(4, 4)).toInt(&hexOk, 16);
    const int s = hexOk ? length - 44 : 0;
    if (s < 1 || s % 132 != 0 || s > file.size() - 28)
        return out;
    if (tailSize)
        *tailSize = length;
    const QByteArray area = file.mid(file.size() - 28 - s, s);
    double lastLon = 0, lastLat = 0;
    for (int at = 0; at < s; at += 132) {
        const QByteArray raw = area.mid(at, 132);
        const QString text = QString::fromUtf8(raw.left(raw.indexOf('\0') < 0 ? 132 : raw.indexOf('\0')));
        if (text.isEmpty())
            continue;
        const QStringList f = text.split(QLatin1Char(';'));
        if (f.size() < 21)
            return out;
        Parsed p;
        p.x = gValue(f[3]);
        p.y = gValue(f[4]);
        p.z = gValue(f[5]);
        p.speed = f[19].toInt();
        p.course = f[20].toInt();
        p.fix = f[10].contains(QLatin1Char('A'));
        if (p.fix) {
            const double lon = f[13].toInt() + (f[14].toInt() + f[15].toInt() / 100000.0) / 60.0;
            const double lat = f[16].toInt() + (f[17].toInt() + f[18].toInt() / 100000.0) / 60.0;
            if (f[11].contains(QLatin1Char('W'), Qt::CaseInsensitive))
                lastLon = -lon;
            else if (f[11].contains(QLatin1Char('E'), Qt::CaseInsensitive))
                lastLon = lon;
            if (f[12].contains(QLatin1Char('N'), Qt::CaseInsensitive))
                lastLat = lat;
            else if (f[12].contains(QLatin1Char('S'), Qt::CaseInsensitive))
                lastLat = -lat;
            p.longitude = QString::number(lastLon, 'f', 5);
            p.latitude = QString::number(lastLat, 'f', 5);
        }
        out.append(p);
    }
    *ok = true;
    return out;
}

QJsonObject probe(const QString &path)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {"-v", "error", "-show_entries",
                   "format=duration:stream=codec_type,codec_name,width,height,avg_frame_rate",
                   "-of", "json", path});
    if (!ffprobe.waitForFinished(60000) || ffprobe.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
}

int runTool(const QStringList &args, QByteArray *errors = nullptr)
{
    QProcess tool;
    tool.start(QStringLiteral(ZEVIDUD_MAKE_DEMO), args);
    if (!tool.waitForFinished(600000)) {
        tool.kill();
        return -1;
    }
    if (errors)
        *errors = tool.readAllStandardError();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

// Metres between two positions (local flat approximation; the drive is a few kilometres).
double metres(double lat1, double lon1, double lat2, double lon2)
{
    const double dy = qDegreesToRadians(lat2 - lat1) * 6371000.0;
    const double dx = qDegreesToRadians(lon2 - lon1) * 6371000.0 * qCos(qDegreesToRadians(lat1));
    return qSqrt(dx * dx + dy * dy);
}

} // namespace

class TestMakeDemo : public QObject
{
    Q_OBJECT

private slots:
    void writesAPlayableSetWithTelemetry();
    void rejectsBadArguments_data();
    void rejectsBadArguments();
    void recordRoundTrip_data();
    void recordRoundTrip();
    void driveIsPlausible();
    void writesADriveOfConsecutiveClips();
};

void TestMakeDemo::writesAPlayableSetWithTelemetry()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString outDir = scratch.filePath(QStringLiteral("demo/set"));
    QByteArray errors;
    // Three seconds: the smallest set with samples both before and after the fix.
    QCOMPARE(runTool({outDir, "--minutes", "0.05"}, &errors), 0);
    QVERIFY2(errors.trimmed().isEmpty(), errors.constData());

    const QStringList names = QDir(outDir).entryList(QDir::Files, QDir::Name);
    QCOMPARE(names, QStringList({kBase + "A.MP4", kBase + "B.MP4", kBase + "C.MP4"}));

    QByteArray firstTail;
    for (const QString &name : names) {
        const QString path = QDir(outDir).filePath(name);
        const QJsonObject info = probe(path);
        QVERIFY2(!info.isEmpty(), qPrintable(path));
        QVERIFY(qAbs(info["format"].toObject()["duration"].toString().toDouble() - 3.0) < 0.1);
        bool video = false;
        bool audio = false;
        for (const QJsonValue &s : info["streams"].toArray()) {
            const QJsonObject stream = s.toObject();
            if (stream["codec_type"] == "video") {
                video = true;
                QCOMPARE(stream["codec_name"].toString(), QStringLiteral("h264"));
                QVERIFY(stream["width"].toInt() <= 1280 && stream["height"].toInt() <= 720);
                QCOMPARE(stream["avg_frame_rate"].toString(), QStringLiteral("30/1"));
            }
            audio = audio || stream["codec_type"] == "audio";
        }
        QVERIFY(video);
        if (name.endsWith(QLatin1String("A.MP4")))
            QVERIFY(audio);

        // Still plays to the end: the decoder reads every frame without complaint.
        QProcess decode;
        decode.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-f", "null", "-"});
        QVERIFY(decode.waitForFinished(120000));
        QCOMPARE(decode.exitCode(), 0);
        QCOMPARE(decode.readAllStandardError(), QByteArray());

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.endsWith("TORVEN53"));
        bool ok = false;
        int tailSize = 0;
        const QVector<Parsed> samples = readTail(bytes, &ok, &tailSize);
        QVERIFY(ok);
        QCOMPARE(samples.size(), 3);

        // The tail is wrapped in an MP4 "free" box, so box walkers step over it.
        const QByteArray head = bytes.mid(bytes.size() - tailSize, 8);
        QCOMPARE(qFromBigEndian<quint32>(head.constData()), quint32(tailSize));
        QCOMPARE(head.mid(4), QByteArray("free"));

        // The receiver needs two seconds for a fix; the G-sensor logs from the start.
        for (int i = 0; i < samples.size(); ++i) {
            const Parsed &p = samples[i];
            QCOMPARE(p.fix, i >= 2);
            QVERIFY(p.z > 0.8 && p.z < 1.2);
            QVERIFY(qAbs(p.x) < 0.3 && qAbs(p.y) < 0.3);
            QVERIFY(p.speed >= 0 && p.speed <= 80);
            QVERIFY(p.course >= 0 && p.course < 360);
            if (p.fix) {
                // Berlin, the Brandenburg Gate end of Unter den Linden.
                QVERIFY(qAbs(p.latitude.toDouble() - 52.5163) < 0.002);
                QVERIFY(qAbs(p.longitude.toDouble() - 13.3777) < 0.004);
            } else {
                QVERIFY(p.latitude.isEmpty() && p.longitude.isEmpty());
            }
        }
        // The player's own loading recognises the layout and reads the same values back.
        const TelemetryLoad load = loadTelemetry(path, nullptr);
        QCOMPARE(int(load.device), int(DeviceTorvenTrailer));
        QCOMPARE(load.samples.size(), samples.size());
        for (int i = 0; i < samples.size(); ++i) {
            const AssistInfo &got = load.samples[i];
            QCOMPARE(got.latitude, samples[i].latitude);
            QCOMPARE(got.longitude, samples[i].longitude);
            QCOMPARE(got.speed, samples[i].speed);
            QVERIFY(qAbs(got.x - samples[i].x) < 1e-4 && qAbs(got.y - samples[i].y) < 1e-4
                    && qAbs(got.z - samples[i].z) < 1e-4);
        }

        // The cameras of one car share one GPS: every channel carries the same log.
        const QByteArray tail = bytes.right(tailSize);
        if (firstTail.isEmpty())
            firstTail = tail;
        QCOMPARE(tail, firstTail);
    }
}

void TestMakeDemo::rejectsBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    // Nine minutes of records do not fit the four-digit hex length of the trailer.
    QTest::newRow("too long") << QStringList{"out", "--minutes", "9"};
    QTest::newRow("not a number") << QStringList{"out", "--minutes", "abc"};
    QTest::newRow("zero") << QStringList{"out", "--minutes", "0"};
    QTest::newRow("negative") << QStringList{"out", "--minutes", "-1"};
    QTest::newRow("no folder") << QStringList{"--minutes", "1"};
    QTest::newRow("no clips") << QStringList{"out", "--clips", "0"};
    QTest::newRow("too many clips") << QStringList{"out", "--clips", "241"};
    // H.264 in 4:2:0 cannot take odd sides.
    QTest::newRow("odd size") << QStringList{"out", "--size", "321x180"};
    QTest::newRow("size too small") << QStringList{"out", "--size", "120x90"};
    QTest::newRow("size too large") << QStringList{"out", "--size", "3840x2160"};
    QTest::newRow("not a size") << QStringList{"out", "--size", "320"};
    QTest::newRow("size with junk") << QStringList{"out", "--size", "320x180x2"};
}

void TestMakeDemo::rejectsBadArguments()
{
    QFETCH(QStringList, args);
    QTemporaryDir scratch;
    for (QString &a : args)
        if (a == QLatin1String("out"))
            a = scratch.filePath(QStringLiteral("out"));
    QCOMPARE(runTool(args), 2);
    QVERIFY(!QDir(scratch.filePath(QStringLiteral("out"))).exists());
}

void TestMakeDemo::recordRoundTrip_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("gx");
    QTest::addColumn<QString>("wantLat");
    QTest::addColumn<QString>("wantLon");
    QTest::addColumn<double>("wantX");
    QTest::newRow("south west") << -22.25 << -118.5 << -0.5 << "-22.25000" << "-118.50000" << -0.5;
    QTest::newRow("Berlin") << 52.51628 << 13.3777 << 0.25 << "52.51628" << "13.37770" << 0.25;
    // 59.9999999 minutes must not be written as 60 minutes.
    QTest::newRow("minute carry") << 10.9999999 << 5.0 << 0.0 << "11.00000" << "5.00000" << 0.0;
}

void TestMakeDemo::recordRoundTrip()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, gx);
    QFETCH(QString, wantLat);
    QFETCH(QString, wantLon);
    QFETCH(double, wantX);
    DriveSample sample;
    sample.fix = true;
    sample.latitude = lat;
    sample.longitude = lon;
    sample.gx = gx;
    sample.gy = -0.1;
    sample.speedKmh = 47.4;
    sample.course = 359.7;
    const QByteArray tail =
        trailer::tail({sample, sample}, QDateTime(QDate(2026, 12, 7), QTime(10, 15), Qt::UTC));
    QCOMPARE(trailer::record(sample, 1, QDateTime()).size(), trailer::kRecordSize);
    bool ok = false;
    const QVector<Parsed> back = readTail(QByteArray(4096, 'm') + tail, &ok);
    QVERIFY(ok);
    QCOMPARE(back.size(), 2);
    QCOMPARE(back[0].latitude, wantLat);
    QCOMPARE(back[0].longitude, wantLon);
    QCOMPARE(back[0].x, wantX);
    QVERIFY(qAbs(back[0].y + 0.1) < 1.0 / 1024);
    QCOMPARE(back[0].speed, 47);
    QCOMPARE(back[0].course, 0); // 359.7 rounds to north, not to 360
}

void TestMakeDemo::driveIsPlausible()
{
    const QVector<DriveSample> drive = simulateDrive(trailer::kMaxRecords);
    QCOMPARE(drive.size(), trailer::kMaxRecords);
    QVERIFY(!trailer::tail(drive, QDateTime::currentDateTimeUtc()).isEmpty());
    QVERIFY(trailer::tail(simulateDrive(trailer::kMaxRecords + 1), QDateTime()).isEmpty());

    int stops = 0;
    bool wasMoving = false;
    double top = 0;
    for (int i = 1; i < drive.size(); ++i) {
        const DriveSample &a = drive[i - 1];
        const DriveSample &b = drive[i];
        top = qMax(top, b.speedKmh);
        QVERIFY(b.speedKmh >= 0 && b.speedKmh <= 80.5);
        QVERIFY(b.course >= 0 && b.course < 360);
        // A car, not a rocket: at most 0.4 g of braking or pulling away, and the logged
        // longitudinal G agrees with the change of speed.
        const double dv = (b.speedKmh - a.speedKmh) / 3.6;
        QVERIFY2(qAbs(dv) < 0.4 * 9.81, qPrintable(QString::number(i)));
        QVERIFY(qAbs(b.gy - dv / 9.80665) < 0.06);
        QVERIFY(b.gz > 0.6 && b.gz < 1.4);
        if (!a.fix || !b.fix)
            continue;
        // The distance between fixes matches the speeds around them.
        const double d = metres(a.latitude, a.longitude, b.latitude, b.longitude);
        QVERIFY2(d <= qMax(a.speedKmh, b.speedKmh) / 3.6 + 0.5,
                 qPrintable(QStringLiteral("second %1: %2 m").arg(i).arg(d)));
        QVERIFY(d >= qMin(a.speedKmh, b.speedKmh) / 3.6 - 0.5);
        const bool moving = b.speedKmh > 1;
        if (wasMoving && !moving)
            ++stops;
        wasMoving = moving;
    }
    QVERIFY(stops >= 4); // traffic lights on the way
    QVERIFY(top > 60);
    // The same seconds give the same drive, so the demo set is reproducible.
    const QVector<DriveSample> again = simulateDrive(60);
    for (int i = 0; i < again.size(); ++i)
        QCOMPARE(again[i].latitude, drive[i].latitude);
}

QTEST_GUILESS_MAIN(TestMakeDemo)
#include "test_make_demo.moc"

void TestMakeDemo::writesADriveOfConsecutiveClips()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString outDir = scratch.filePath(QStringLiteral("drive"));
    // Small pictures: what is checked here is the names and the log, and nine clips of the
    // default size take several times as long to encode.
    QCOMPARE(runTool({outDir, "--minutes", "0.05", "--clips", "3", "--size", "320x180"}), 0);

    // Three seconds a clip: each name starts where the one before ends.
    const QStringList names = QDir(outDir).entryList(QDir::Files, QDir::Name);
    QStringList expected;
    for (const char *base : {"20261207_101500_0001", "20261207_101503_0002",
                             "20261207_101506_0003"})
        for (const char *letter : {"A", "B", "C"})
            expected << QStringLiteral("%1%2.MP4").arg(QLatin1String(base), QLatin1String(letter));
    QCOMPARE(names, expected);
    for (const QString &name : {names.first(), names.last()}) {
        const QJsonArray streams = probe(QDir(outDir).filePath(name))["streams"].toArray();
        QVERIFY2(!streams.isEmpty(), qPrintable(name));
        const QJsonObject video = streams.first().toObject();
        QCOMPARE(video["width"].toInt(), 320);
        QCOMPARE(video["height"].toInt(), 180);
    }

    // The player groups them into one drive per camera, each with its partners.
    QList<LibraryEntry> entries;
    for (const QString &name : names)
        entries << libraryEntryOf(QDir(outDir).filePath(name));
    const QList<QList<int>> drives = groupDrives(entries);
    QCOMPARE(drives.size(), 3);
    for (const QList<int> &drive : drives)
        QCOMPARE(drive.size(), 3);

    // The log runs on across the files: a clip starts a second's drive from where the last ended.
    double lastLat = 0, lastLon = 0;
    for (int clip = 0; clip < 3; ++clip) {
        const TelemetryLoad load = loadTelemetry(QDir(outDir).filePath(names.at(clip * 3)), nullptr);
        QCOMPARE(load.samples.size(), 3);
        const AssistInfo &first = load.samples.first();
        if (clip > 0) {
            QVERIFY(first.hasPosition);
            QVERIFY(metres(lastLat, lastLon, first.latitudeDeg, first.longitudeDeg) < 40.0);
        }
        lastLat = load.samples.last().latitudeDeg;
        lastLon = load.samples.last().longitudeDeg;
    }
}
