// Route writers: GPX and KML read back by gpsbabel, CSV parsed back, and the failures of a
// whole-file write (missing, unwritable and full folders) leave nothing behind.
#include "routeexport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>
#include <unistd.h>

namespace {

AssistInfo fixAt(qint64 ms, double lat, double lon, int speed = 0)
{
    AssistInfo s;
    s.timeMs = ms;
    s.hasPosition = true;
    s.latitudeDeg = lat;
    s.longitudeDeg = lon;
    s.speed = speed;
    s.x = 0.125f;
    s.y = -1.5f;
    s.z = 0.98f;
    return s;
}

AssistInfo noFixAt(qint64 ms)
{
    AssistInfo s;
    s.timeMs = ms;
    s.speed = 3;
    return s;
}

// A drive of two clips: the first loses its fix for two samples (two segments), includes the
// equator/Greenwich point and all four hemispheres; the second has a name that needs quoting.
QList<RouteTrack> drive()
{
    RouteTrack first;
    first.name = QStringLiteral("clip one");
    first.start = QDateTime(QDate(2026, 3, 1), QTime(23, 59, 58), Qt::UTC);
    first.samples << fixAt(0, 0.0, 0.0, 12) << fixAt(1000, -33.8688197, 151.2092955, 48)
                  << noFixAt(2000) << noFixAt(3000) << fixAt(4000, 51.4778, -0.0014, 50)
                  << fixAt(5000, 51.4779, -0.0016, 51);
    RouteTrack second;
    second.name = QStringLiteral("clip \"two\", rear\nside");
    second.start = first.start.addSecs(6);
    second.samples << fixAt(0, 40.7127753, -74.0059728, 30) << fixAt(1000, 40.7128, -74.006, 31);
    return {first, second};
}

QList<AssistInfo> fixedSamples(const QList<RouteTrack> &tracks)
{
    QList<AssistInfo> out;
    for (const RouteTrack &t : tracks)
        for (const AssistInfo &s : t.samples)
            if (s.hasPosition)
                out << s;
    return out;
}

QByteArray run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return QByteArray();
    }
    return p.readAllStandardOutput();
}

// gpsbabel's csv output: "lat, lon, name" per point, waypoints and track points alike.
QList<QPointF> gpsbabelPoints(const QString &format, const QString &file)
{
    const QByteArray out =
        run(QStringLiteral("gpsbabel"),
            {QStringLiteral("-i"), format, QStringLiteral("-f"), file, QStringLiteral("-o"),
             QStringLiteral("csv"), QStringLiteral("-F"), QStringLiteral("-")});
    QList<QPointF> points;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> parts = line.split(',');
        if (parts.size() >= 2)
            points << QPointF(parts.at(1).trimmed().toDouble(), parts.at(0).trimmed().toDouble());
    }
    return points;
}

// RFC 4180: fields separated by commas, records by CRLF, quoted fields may hold both.
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += c, ++i;
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size()
                   && text.at(i + 1) == QLatin1Char('\n')) {
            record << field;
            records << record;
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

// A tmpfs mounted for the length of one test (root only; the caller falls back otherwise).
class ScopedTmpfs
{
public:
    bool mount(const QString &dir, const QString &options)
    {
        if (geteuid() != 0)
            return false;
        m_dir = dir;
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                       QStringLiteral("-o"), options, QStringLiteral("tmpfs"), dir})
                    == 0;
        return m_mounted;
    }
    ~ScopedTmpfs()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir});
    }

private:
    QString m_dir;
    bool m_mounted = false;
};

} // namespace

class TestRouteExport : public QObject
{
    Q_OBJECT
private slots:
    void gpxKeepsEveryFixedPointAndItsTimeInGpsbabel();
    void gpxSplitsSegmentsAtGapsWithoutFix();
    void kmlKeepsEveryFixedPointInGpsbabel();
    void csvParsesBackWithEverySample();
    void gpsTimeWinsOverTheCameraClock();
    void formatFollowsTheSuffix();
    void missingOrUnwritableFolderLeavesNothing();
    void fullDiskLeavesNothingAndKeepsTheOldFile();
};

void TestRouteExport::gpxKeepsEveryFixedPointAndItsTimeInGpsbabel()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("drive.gpx"));
    QString error;
    QVERIFY2(writeRouteFile(path, RouteFormat::Gpx, drive(), &error), qPrintable(error));

    const QList<AssistInfo> expected = fixedSamples(drive());
    const QList<QPointF> points = gpsbabelPoints(QStringLiteral("gpx"), path);
    QCOMPARE(points.size(), expected.size());
    for (int i = 0; i < points.size(); ++i) {
        QVERIFY2(qAbs(points.at(i).y() - expected.at(i).latitudeDeg) < 1e-5,
                 qPrintable(QString::number(i)));
        QVERIFY2(qAbs(points.at(i).x() - expected.at(i).longitudeDeg) < 1e-5,
                 qPrintable(QString::number(i)));
    }

    // unicsv with tracks shows the times: the first clip crosses midnight, the second starts
    // 6 s after the first.
    const QByteArray table =
        run(QStringLiteral("gpsbabel"),
            {QStringLiteral("-t"), QStringLiteral("-i"), QStringLiteral("gpx"),
             QStringLiteral("-f"), path, QStringLiteral("-o"), QStringLiteral("unicsv,utc=0"),
             QStringLiteral("-F"), QStringLiteral("-")});
    const QList<QByteArray> rows = table.trimmed().split('\n');
    QCOMPARE(rows.size(), expected.size() + 1);
    const QStringList times{"2026/03/01,23:59:58", "2026/03/01,23:59:59", "2026/03/02,00:00:02",
                            "2026/03/02,00:00:03", "2026/03/02,00:00:04", "2026/03/02,00:00:05"};
    for (int i = 0; i < times.size(); ++i)
        QVERIFY2(rows.at(i + 1).trimmed().endsWith(times.at(i).toLatin1()),
                 rows.at(i + 1).constData());
}

void TestRouteExport::gpxSplitsSegmentsAtGapsWithoutFix()
{
    QXmlStreamReader xml(formatRouteGpx(drive(), QStringLiteral("test")));
    QList<int> pointsPerSegment;
    QStringList names;
    QStringList speeds;
    int tracks = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("trk"))
            ++tracks;
        else if (xml.name() == QLatin1String("name"))
            names << xml.readElementText();
        else if (xml.name() == QLatin1String("trkseg"))
            pointsPerSegment << 0;
        else if (xml.name() == QLatin1String("trkpt"))
            ++pointsPerSegment.last();
        else if (xml.name() == QLatin1String("speed"))
            speeds << xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(tracks, 2);
    QCOMPARE(names, QStringList({drive().at(0).name, drive().at(1).name}));
    QCOMPARE(pointsPerSegment, QList<int>({2, 2, 2}));
    QCOMPARE(speeds, QStringList({"12", "48", "50", "51", "30", "31"}));

    // A fix with impossible numbers breaks the segment like a missing one, in every format.
    QList<RouteTrack> broken = drive();
    broken[0].samples[1].latitudeDeg = std::nan("");
    broken[0].samples[5].longitudeDeg = 181.0;
    const QByteArray gpx = formatRouteGpx(broken, QStringLiteral("test"));
    QCOMPARE(gpx.count("<trkseg>"), 3);
    QCOMPARE(gpx.count("<trkpt"), 4);
    QVERIFY(!gpx.toLower().contains("nan"));
    QVERIFY(!formatRouteKml(broken).toLower().contains("nan"));
    QVERIFY(!formatRouteCsv(broken).toLower().contains("nan"));

    // Without a start time the points carry no time at all rather than a made-up one.
    QList<RouteTrack> untimed = drive();
    untimed[0].start = QDateTime();
    untimed[1].start = QDateTime();
    QVERIFY(!formatRouteGpx(untimed, QStringLiteral("test")).contains("<time>"));
}

void TestRouteExport::kmlKeepsEveryFixedPointInGpsbabel()
{
    QTemporaryDir dir;
    QList<RouteTrack> tracks = drive();
    tracks[1].samples << noFixAt(2000) << fixAt(3000, 10.25, 20.75); // a run of one: a Point
    const QString path = dir.filePath(QStringLiteral("drive.kml"));
    QString error;
    QVERIFY2(writeRouteFile(path, RouteFormat::Kml, tracks, &error), qPrintable(error));

    const QList<AssistInfo> expected = fixedSamples(tracks);
    QList<QPointF> points = gpsbabelPoints(QStringLiteral("kml"), path);
    QCOMPARE(points.size(), expected.size());
    // gpsbabel lists the waypoint (the Point) before the tracks.
    QCOMPARE(points.takeFirst(), QPointF(20.75, 10.25));
    for (int i = 0; i < points.size(); ++i) {
        QVERIFY(qAbs(points.at(i).y() - expected.at(i).latitudeDeg) < 1e-5);
        QVERIFY(qAbs(points.at(i).x() - expected.at(i).longitudeDeg) < 1e-5);
    }
}

void TestRouteExport::csvParsesBackWithEverySample()
{
    const QList<RouteTrack> tracks = drive();
    const QByteArray bytes = formatRouteCsv(tracks);
    QVERIFY(bytes.endsWith("\r\n"));
    const QList<QStringList> records = parseCsv(QString::fromUtf8(bytes));
    QCOMPARE(records.size(), 1 + tracks.at(0).samples.size() + tracks.at(1).samples.size());
    QCOMPARE(records.first(), routeCsvHeader());
    const QStringList header = routeCsvHeader();
    const auto column = [&](int row, const char *name) {
        return records.at(row).at(header.indexOf(QLatin1String(name)));
    };
    int row = 1;
    for (const RouteTrack &track : tracks) {
        for (const AssistInfo &s : track.samples) {
            QCOMPARE(records.at(row).size(), header.size());
            QCOMPARE(column(row, "track"), track.name);
            QCOMPARE(column(row, "time_ms").toLongLong(), s.timeMs);
            QCOMPARE(QDateTime::fromString(column(row, "utc"), Qt::ISODateWithMs),
                     track.start.addMSecs(s.timeMs));
            QCOMPARE(column(row, "speed_kmh").toInt(), s.speed);
            QCOMPARE(column(row, "gy").toFloat(), s.y);
            if (s.hasPosition) {
                QCOMPARE(column(row, "latitude").toDouble(), s.latitudeDeg);
                QCOMPARE(column(row, "longitude").toDouble(), s.longitudeDeg);
            } else {
                QVERIFY(column(row, "latitude").isEmpty());
                QVERIFY(column(row, "longitude").isEmpty());
            }
            ++row;
        }
    }
    // The equator/Greenwich fix is a place, not "no position".
    QCOMPARE(column(1, "latitude"), QStringLiteral("0.0000000"));
    QCOMPARE(column(1, "clock"), QStringLiteral("camera"));
}

void TestRouteExport::gpsTimeWinsOverTheCameraClock()
{
    // The camera's clock (its file name) is a day off; one sample carries the GPS time. Every
    // sample of the track is placed by the GPS, the ones before it too.
    QList<RouteTrack> tracks = drive();
    const QDateTime gpsAt1s(QDate(2017, 4, 17), QTime(17, 31, 3, 250), Qt::UTC);
    tracks[0].samples[1].setUtc(gpsAt1s.toMSecsSinceEpoch(), AssistInfo::Clock::Gps);
    tracks[1].start = QDateTime(); // nothing places the second track in time
    const QByteArray gpx = formatRouteGpx(tracks, QStringLiteral("test"));
    QVERIFY(gpx.contains("<time>2017-04-17T17:31:02.250Z</time>"));
    QVERIFY(gpx.contains("<time>2017-04-17T17:31:06.250Z</time>"));
    QCOMPARE(gpx.count("<time>"), 4); // the fixes of the first track only
    const QByteArray kml = formatRouteKml(tracks);
    QVERIFY(kml.contains("<when>2017-04-17T17:31:02.250Z</when>"));
    QCOMPARE(kml.count("<when>"), 4);

    const QList<QStringList> records = parseCsv(QString::fromUtf8(formatRouteCsv(tracks)));
    const int utc = routeCsvHeader().indexOf(QStringLiteral("utc"));
    const int clock = routeCsvHeader().indexOf(QStringLiteral("clock"));
    QCOMPARE(records.at(3).at(utc), QStringLiteral("2017-04-17T17:31:04.250Z")); // no fix there
    QCOMPARE(records.at(3).at(clock), QStringLiteral("gps"));
    QVERIFY(records.last().at(utc).isEmpty());
    QVERIFY(records.last().at(clock).isEmpty());
}

void TestRouteExport::formatFollowsTheSuffix()
{
    bool ok = false;
    QCOMPARE(routeFormatForFile(QStringLiteral("/a/b.KML"), &ok), RouteFormat::Kml);
    QVERIFY(ok);
    QCOMPARE(routeFormatForFile(QStringLiteral("trip.csv"), &ok), RouteFormat::Csv);
    QVERIFY(ok);
    QCOMPARE(routeFormatForFile(QStringLiteral("trip.gpx"), &ok), RouteFormat::Gpx);
    QVERIFY(ok);
    routeFormatForFile(QStringLiteral("trip.mp4"), &ok);
    QVERIFY(!ok);
}

void TestRouteExport::missingOrUnwritableFolderLeavesNothing()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(!writeRouteFile(dir.filePath(QStringLiteral("no/such/folder/x.gpx")), RouteFormat::Gpx,
                            drive(), &error));
    QVERIFY2(error.contains(QStringLiteral("does not exist")), qPrintable(error));

    // Root writes into any folder whatever its mode: a read-only mount stops it as well.
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(locked));
    ScopedTmpfs readOnly;
    if (!readOnly.mount(locked, QStringLiteral("ro,size=64k")))
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    error.clear();
    QVERIFY(!writeRouteFile(locked + QStringLiteral("/x.kml"), RouteFormat::Kml, drive(), &error));
    QVERIFY2(error.contains(QStringLiteral("Cannot write into the folder")), qPrintable(error));
    QVERIFY(
        QDir(locked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestRouteExport::fullDiskLeavesNothingAndKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(small));
    ScopedTmpfs tmpfs;
    if (!tmpfs.mount(small, QStringLiteral("size=16k")))
        QSKIP("mounting a small tmpfs needs root");
    const QString path = small + QStringLiteral("/drive.csv");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old route\r\n");
    }
    // Far more than the 16 KiB the disk holds.
    QList<RouteTrack> tracks = drive();
    for (int i = 0; i < 5000; ++i)
        tracks[0].samples << fixAt(10000 + i * 1000, 48.0 + i * 1e-5, 11.0);
    QString error;
    QVERIFY(!writeRouteFile(path, RouteFormat::Csv, tracks, &error));
    QVERIFY2(error.contains(QStringLiteral("is full")), qPrintable(error));
    QCOMPARE(QDir(small).entryList(QDir::Files | QDir::Hidden), QStringList{"drive.csv"});
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old route\r\n"));

    // A disk already full refuses even a route of a few bytes.
    {
        QFile filler(small + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        for (int i = 0; i < 8 && filler.write(block) == block.size() && filler.flush(); ++i) {}
    }
    RouteTrack tiny{QStringLiteral("t"), QDateTime(), {fixAt(0, 1.0, 2.0)}};
    error.clear();
    QVERIFY(!writeRouteFile(small + QStringLiteral("/tiny.gpx"), RouteFormat::Gpx, {tiny}, &error));
    QVERIFY2(error.contains(QStringLiteral("is full")), qPrintable(error));
    QVERIFY(!QFile::exists(small + QStringLiteral("/tiny.gpx")));
    error.clear();
    QVERIFY(!writeRouteFile(path, RouteFormat::Csv, {tiny}, &error));
    QVERIFY(old.seek(0));
    QCOMPARE(old.readAll(), QByteArray("old route\r\n"));
}

QTEST_GUILESS_MAIN(TestRouteExport)
#include "test_routeexport.moc"
