// The MP4 track reader: the three sample kinds, the choice of the last track, and RMC scanning.

#include "bytesource.h"
#include "mp4/mp4atomtree.h"
#include "mp4/mp4v2parsefile.h"
#include "mp4_fixtures.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mp4fx;

namespace {

TrackPlan track(const char *handler, const QList<QByteArray> &samples, quint32 id)
{
    TrackPlan t;
    t.handler = handler;
    t.sampleEntry = QByteArray(handler) == "text" ? "text" : "mp4v";
    t.trackId = id;
    t.samples = samples;
    return t;
}

QByteArray rmc(const char *lat, char ns, const char *lon, char ew, const char *speed = "35.5",
               char status = 'A')
{
    return QByteArray("$GPRMC,092750.000,") + status + ',' + lat + ',' + ns + ',' + lon + ','
        + ew + ',' + speed + ",77.52,230394,,,A*6A\r\n";
}

} // namespace

class TestMp4ParseFile : public QObject
{
    Q_OBJECT

private slots:
    void textTrackSentences_data();
    void textTrackSentences();
    void lastTrackIsRead();
    void metaRecords();
    void metaHemispheresAndShortRecords();
    void filesWithoutTelemetry();
    void scanStopsAtTheFirstBadField_data();
    void scanStopsAtTheFirstBadField();
    void gpmdMetaTrack();

private:
    QString write(const FilePlan &layout, const QString &name = QStringLiteral("clip.mp4"))
    {
        const QString path = m_dir.filePath(name);
        return writeFile(path, buildMp4(layout)) ? path : QString();
    }

    QTemporaryDir m_dir;
};

void TestMp4ParseFile::textTrackSentences_data()
{
    QTest::addColumn<QByteArray>("handler");
    QTest::addColumn<QByteArray>("sample");
    QTest::addColumn<QString>("latitude");
    QTest::addColumn<QString>("longitude");
    QTest::addColumn<int>("speed");

    QTest::newRow("text, north east") << QByteArray("text")
                                      << textSample("GPS:" + rmc("2232.1234", 'N', "11403.1234", 'E'))
                                      << "22.5354" << "114.052" << 35;
    QTest::newRow("text, south west") << QByteArray("text")
                                      << textSample("GPS:" + rmc("2232.1234", 'S', "11403.1234", 'W'))
                                      << "-22.5354" << "-114.052" << 35;
    QTest::newRow("text, west only") << QByteArray("text")
                                     << rmc("4717.11437", 'N', "00833.91522", 'W', "10.9")
                                     << "47.2852" << "-8.56525" << 10;
    QTest::newRow("tagged, sound track") << QByteArray("soun")
                                         << QByteArray("\x01\x02junk@GPRMC,1,A,3000.0000,S,01530.0000,E,80.2,,")
                                         << "-30" << "15.5" << 80;
    QTest::newRow("tagged, video track") << QByteArray("vide")
                                         << QByteArray("@GPRMC,1,A,0100.6000,N,00000.0000,E,0,,")
                                         << "1.01" << "0" << 0;
}

void TestMp4ParseFile::textTrackSentences()
{
    QFETCH(QByteArray, handler);
    QFETCH(QByteArray, sample);
    QFETCH(QString, latitude);
    QFETCH(QString, longitude);
    QFETCH(int, speed);

    FilePlan layout;
    layout.tracks = {track(handler.constData(), {sample, sample}, 1)};
    mp4v2ParseFile reader;
    const AssistInfoList list = reader.parseFile(write(layout));
    QCOMPARE(list.size(), 2);
    for (const AssistInfo &info : list) {
        QCOMPARE(info.latitude, latitude);
        QCOMPARE(info.longitude, longitude);
        QCOMPARE(info.speed, speed);
        QCOMPARE(info.x, 0.0f);
        QCOMPARE(info.course, 0.0);
    }
}

void TestMp4ParseFile::lastTrackIsRead()
{
    const QByteArray good = textSample("GPS:" + rmc("2232.1234", 'N', "11403.1234", 'E'));
    // The text track with sentences comes first; the audio track after it is what gets read.
    FilePlan layout;
    layout.tracks = {track("text", {good, good, good}, 1),
                   track("soun", {"@GPRMC,1,A,4500.0000,N,00730.0000,E,12,,",
                                  "no separator here",
                                  "two@separators@here",
                                  "@GPRMC,1,V,4500.0000,N,00730.0000,E,12,,",
                                  "@GPRMC,2,A,4530.0000,N,00730.0000,E,14,,"},
                         2)};
    mp4v2ParseFile reader;
    const AssistInfoList list = reader.parseFile(write(layout));
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].latitude, QString("45"));
    QCOMPARE(list[0].longitude, QString("7.5"));
    QCOMPARE(list[0].speed, 12);
    QCOMPARE(list[1].latitude, QString("45.5"));
    QCOMPARE(list[1].speed, 14);

    // Two '$' in a text sample: not exactly two parts, skipped.
    FilePlan twice;
    twice.tracks = {track("text", {textSample("$GPGGA,1$" + rmc("1000.0", 'N', "1000.0", 'E')),
                                   good},
                          4)};
    const AssistInfoList one = reader.parseFile(write(twice, "twice.mp4"));
    QCOMPARE(one.size(), 1);
    QCOMPARE(one[0].latitude, QString("22.5354"));
}

void TestMp4ParseFile::metaRecords()
{
    MetaRecord first;
    first.gx = 0.25f;
    first.gy = -0.5f;
    first.gz = 1.0f;
    first.latHemisphere = 'S';
    first.latDegrees = 22;
    first.latMinutes = 30;
    first.lonHemisphere = 'E';
    first.lonDegrees = 114;
    first.lonMinutes = 3;
    first.lonSeconds100 = 1800;
    first.speed = 61;
    MetaRecord noFix;
    noFix.status = 'V';
    noFix.gx = 0.125f;
    noFix.gy = 0.0f;
    noFix.gz = 0.75f;
    noFix.lonDegrees = 9; // ignored without a fix
    noFix.speed = 7;
    MetaRecord west = first;
    west.lonHemisphere = 'w';
    west.latHemisphere = 'n';
    west.latSeconds100 = 36000; // 360 s = 6 minutes

    FilePlan layout;
    layout.tracks = {track("vide", {"frame"}, 1),
                   track("meta", {metaRecord(first), metaRecord(noFix), metaRecord(west)}, 2)};
    mp4v2ParseFile reader;
    const AssistInfoList list = reader.parseFile(write(layout));
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[0].latitude, QString("-22.50000"));
    QCOMPARE(list[0].longitude, QString("114.05500"));
    QCOMPARE(list[0].x, 0.25f);
    QCOMPARE(list[0].y, -0.5f);
    QCOMPARE(list[0].z, 1.0f);
    QCOMPARE(list[0].speed, 61);
    // Without a fix the position repeats, G values and speed are the record's own.
    QCOMPARE(list[1].latitude, QString("-22.50000"));
    QCOMPARE(list[1].longitude, QString("114.05500"));
    QCOMPARE(list[1].x, 0.125f);
    QCOMPARE(list[1].z, 0.75f);
    QCOMPARE(list[1].speed, 7);
    QCOMPARE(list[2].latitude, QString("22.60000"));
    QCOMPARE(list[2].longitude, QString("-114.05500"));
}

void TestMp4ParseFile::metaHemispheresAndShortRecords()
{
    MetaRecord unknownFirst;
    unknownFirst.lonHemisphere = '?';
    unknownFirst.latHemisphere = 'N';
    unknownFirst.latDegrees = 10;
    unknownFirst.lonDegrees = 20;
    MetaRecord east = unknownFirst;
    east.lonHemisphere = 'e';
    MetaRecord unknownAgain = unknownFirst;
    unknownAgain.lonDegrees = 99;
    unknownAgain.latHemisphere = 'x';
    unknownAgain.latDegrees = 55;

    FilePlan layout;
    layout.tracks = {track("meta",
                         {metaRecord(unknownFirst), metaRecord(east), metaRecord(unknownAgain),
                          metaRecord(east).left(60), QByteArray()},
                         1)};
    mp4v2ParseFile reader;
    const AssistInfoList list = reader.parseFile(write(layout));
    QCOMPARE(list.size(), 4); // the empty sample gives nothing
    QCOMPARE(list[0].longitude, QString("0.00000")); // no letter seen yet
    QCOMPARE(list[0].latitude, QString("10.00000"));
    QCOMPARE(list[1].longitude, QString("20.00000"));
    QCOMPARE(list[2].longitude, QString("20.00000")); // unknown letters keep the last value
    QCOMPARE(list[2].latitude, QString("10.00000"));
    // A cut record reads as zeros: no fix, so the position stays, G and speed are 0.
    QCOMPARE(list[3].longitude, QString("20.00000"));
    QCOMPARE(list[3].x, 0.0f);
    QCOMPARE(list[3].speed, 0);
}

void TestMp4ParseFile::filesWithoutTelemetry()
{
    mp4v2ParseFile reader;
    QVERIFY(reader.parseFile(m_dir.filePath("missing.mp4")).isEmpty());
    QVERIFY(reader.parseFile(QString()).isEmpty());
    QVERIFY(reader.parseFile(m_dir.filePath(QString(1100, 'a'))).isEmpty());
    FilePlan noTracks;
    QVERIFY(reader.parseFile(write(noTracks, "notracks.mp4")).isEmpty());
    const QString text = m_dir.filePath("text.mp4");
    QVERIFY(writeFile(text, "$GPRMC,1,A,2232.1234,N,11403.1234,E,35.5,,"));
    QVERIFY(reader.parseFile(text).isEmpty());
    // A track whose id is 0 counts as no track.
    FilePlan zeroId;
    zeroId.tracks = {track("text", {textSample(rmc("2232.1234", 'N', "11403.1234", 'E'))}, 0)};
    QVERIFY(reader.parseFile(write(zeroId, "zeroid.mp4")).isEmpty());
}

void TestMp4ParseFile::scanStopsAtTheFirstBadField_data()
{
    QTest::addColumn<QByteArray>("sentence");
    QTest::addColumn<char>("status");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("speed");

    QTest::newRow("complete") << rmc("4807.038", 'N', "01131.000", 'E', "22.4") << 'A' << 4807.038
                              << 1131.0 << 22.4;
    QTest::newRow("south west") << rmc("4807.038", 'S', "01131.000", 'W', "22.4") << 'A'
                                << -4807.038 << -1131.0 << 22.4;
    QTest::newRow("bad hemisphere") << rmc("4807.038", 'X', "01131.000", 'E') << 'A' << 4807.038
                                    << 0.0 << 0.0;
    QTest::newRow("empty latitude") << QByteArray("$GPRMC,1,A,,N,01131.000,E,1,,") << 'A' << 0.0
                                    << 0.0 << 0.0;
    QTest::newRow("other talker") << QByteArray("$GNRMC,1,A,4807.038,N,01131.000,E,1,,") << '\0'
                                  << 0.0 << 0.0 << 0.0;
    QTest::newRow("empty status") << QByteArray("$GPRMC,1,,4807.038,N,01131.000,E,1,,") << ','
                                  << 0.0 << 0.0 << 0.0;
    QTest::newRow("not a number") << QByteArray("$GPRMC,1,A,nan,N,01131.000,E,1,,") << 'A' << 0.0
                                  << 0.0 << 0.0;
    // %c reads the comma of an empty status; a second empty field lets the scan go on there.
    QTest::newRow("two empty fields for the status")
        << QByteArray("$GPRMC,1,,,4807.038,S,01131.000,E,2") << ',' << -4807.038 << 1131.0 << 2.0;
    QTest::newRow("NUL status is a byte") << QByteArray("$GPRMC,1,\0,4807.038,N,01131.000,W,3", 35)
                                          << '\0' << 4807.038 << -1131.0 << 3.0;
    QTest::newRow("number cut short") << QByteArray("$GPRMC,1,A,4807.038x,N,01131.000,E,1")
                                      << 'A' << 4807.038 << 0.0 << 0.0;
    QTest::newRow("lower-case letter") << QByteArray("$GPRMC,1,A,4807.038,s,01131.000,E,1")
                                       << 'A' << 4807.038 << 0.0 << 0.0;
    QTest::newRow("blanks before numbers")
        << QByteArray("$GPRMC, 1,A, 4807.038,N, 01131.000,E, 5.5") << 'A' << 4807.038 << 1131.0
        << 5.5;
}

void TestMp4ParseFile::scanStopsAtTheFirstBadField()
{
    QFETCH(QByteArray, sentence);
    QFETCH(char, status);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(double, speed);
    const mp4v2ParseFile::RmcFields f = mp4v2ParseFile::scanRmc(sentence);
    QCOMPARE(f.status, status);
    QCOMPARE(f.latitude, latitude);
    QCOMPARE(f.longitude, longitude);
    QCOMPARE(f.speed, speed);
}

void TestMp4ParseFile::gpmdMetaTrack()
{
    MetaRecord r;
    r.latDegrees = 1;
    r.lonDegrees = 2;
    TrackPlan t = track("meta", {metaRecord(r)}, 1);
    t.sampleEntry = "gpmd";
    FilePlan layout;
    layout.tracks = {t};
    mp4v2ParseFile reader; // no switch: gpmd tracks always show their samples
    const QString path = write(layout);
    const quint64 beforeFile = ByteSource::totalBytesRead();
    const AssistInfoList list = reader.parseFile(path);
    const quint64 byFile = ByteSource::totalBytesRead() - beforeFile;
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0].latitude, QString("1.00000"));

    // Over the load's walked tree the reader reads all but the walk: the file is walked once.
    ByteSource src(path);
    Mp4AtomTree tree;
    const quint64 beforeWalk = ByteSource::totalBytesRead();
    QVERIFY(tree.walk(src));
    const quint64 byWalk = ByteSource::totalBytesRead() - beforeWalk;
    const AssistInfoList again = reader.parseSource(src, tree);
    QCOMPARE(ByteSource::totalBytesRead() - beforeWalk - byWalk, byFile - byWalk);
    QCOMPARE(again.size(), 1);
    QCOMPARE(again[0].latitude, list[0].latitude);
}

QTEST_GUILESS_MAIN(TestMp4ParseFile)
#include "test_mp4parsefile.moc"
