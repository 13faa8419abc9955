// Readers that find their data at the end of the file: trailer records (layout 9) and the index
// tables of layouts 5, 7 and 8.

#include "assistfile.h"
#include "bytesource.h"
#include "geo.h"
#include "telemetry_fixtures.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace fixtures;

namespace {
const QByteArray rmcA = "$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,A*57";
const QByteArray ggaC = "$GPGGA,123519,4807.0381,N,01131.0002,E,1,08,0.9,545.4,M,46.9,M,,*47";

using geo::utcMs;

// A masked block with its date and time fields ("YYYYMMDDhhmmss" at byte 26, under the mask).
QByteArray maskedBlockAt(const QByteArray &dateTime)
{
    QByteArray b = maskedBlock("N22321234E114031234", "57", "+098-012+100");
    for (int i = 0; i < dateTime.size() && 26 + i < 203; ++i)
        b[26 + i] = char(uchar(dateTime.at(i)) ^ 0xAA);
    return b;
}

// A trailer record in the field order the cameras write: number, date, time, G, ..., fix.
QByteArray stampedRecord(const QByteArray &date, const QByteArray &time, char fix)
{
    return trailerRecord({"001", date, time, "X:+00001", "Y:+00002", "Z:+00003", "a", "b", "c", "d",
                          QByteArray(1, fix), "E", "N", "114", "3", "0", "22", "32", "0", "60",
                          "90"});
}

} // namespace

class TestTailReaders : public QObject
{
    Q_OBJECT
private slots:
    void trailerRecords();
    void trailerHemispheres_data();
    void trailerHemispheres();
    void trailerMissingHemisphereKeepsPrevious();
    void trailerRejects_data();
    void trailerRejects();
    void trailerSkipsShortRecords();
    void indexedBlocks();
    void indexedBlocksV2();
    void indexedV2SkipsSmallBlocks();
    void maskedBlocks();
    void maskedCoordinates_data();
    void maskedCoordinates();
    void tableLongerThanFile();
    void unopenableFileGivesZero();
    void utcFromTheBlocks_data();
    void utcFromTheBlocks();
    void maskedUtcAgreesWithExifTool();
};

static AssistFile *readBytes(AssistFile *f, const QByteArray &bytes, int (AssistFile::*reader)(ByteSource &))
{
    ByteSource src = ByteSource::fromBytes(bytes);
    (f->*reader)(src);
    return f;
}

void TestTailReaders::trailerRecords()
{
    const QList<QByteArray> records = {
        trailerRecord(-512, 1024, 256, 'A', 'W', 'S', 118, 30, 0, 22, 15, 0, 57, 181),
        trailerRecord(10, 20, 30, 'V', 'E', 'N', 1, 2, 3, 4, 5, 6, 8, 9),
        trailerRecord(0, 0, 1024, 'A', 'e', 'n', 114, 3, 12340, 22, 32, 12340, 100, 359)};
    QTemporaryDir dir;
    const QString path = dir.filePath("t9.mp4");
    QVERIFY(trailerFile(records).writeTo(path));
    AssistFile f;
    QCOMPARE(f.readTrailerRecords(path), 3);
    const AssistInfoList &s = f.samples();
    QCOMPARE(s.at(0).x, -0.5f);
    QCOMPARE(s.at(0).y, 1.0f);
    QCOMPARE(s.at(0).z, 0.25f);
    QCOMPARE(s.at(0).longitude, QString("-118.50000"));
    QCOMPARE(s.at(0).latitude, QString("-22.25000"));
    QCOMPARE(s.at(0).speed, 57);
    QCOMPARE(s.at(0).course, 181.0);
    // Without 'A' the position is empty, the rest is kept.
    QVERIFY(s.at(1).longitude.isEmpty());
    QVERIFY(s.at(1).latitude.isEmpty());
    QCOMPARE(s.at(1).z, float(30.0 / 1024.0));
    QCOMPARE(s.at(1).speed, 8);
    QCOMPARE(s.at(1).course, 9.0);
    QCOMPARE(s.at(2).longitude, QString("114.05206"));
    QCOMPARE(s.at(2).latitude, QString("22.53539"));
}

void TestTailReaders::trailerHemispheres_data()
{
    QTest::addColumn<QByteArray>("ew");
    QTest::addColumn<QByteArray>("ns");
    QTest::addColumn<QString>("lon");
    QTest::addColumn<QString>("lat");
    QTest::newRow("W wins over E") << QByteArray("EW") << QByteArray("N") << "-10.50000"
                                   << "20.25000";
    QTest::newRow("N wins over S") << QByteArray("E") << QByteArray("sN") << "10.50000"
                                   << "20.25000";
    QTest::newRow("lower case") << QByteArray("w") << QByteArray("s") << "-10.50000"
                                << "-20.25000";
}

void TestTailReaders::trailerHemispheres()
{
    QFETCH(QByteArray, ew);
    QFETCH(QByteArray, ns);
    const QByteArray r = trailerRecord({"a", "b", "c", "X:+00000", "Y:+00000", "Z:+00000", "", "",
                                        "", "", "A", ew, ns, "10", "30", "0", "20", "15", "0",
                                        "5", "6"});
    AssistFile f;
    readBytes(&f, trailerFile({r}).toBytes(), &AssistFile::readTrailerRecords);
    QCOMPARE(f.samples().size(), 1);
    QTEST(f.samples().at(0).longitude, "lon");
    QTEST(f.samples().at(0).latitude, "lat");
}

void TestTailReaders::trailerMissingHemisphereKeepsPrevious()
{
    auto rec = [](const QByteArray &ew, const QByteArray &deg) {
        return trailerRecord({"a", "b", "c", "X:+1", "Y:+1", "Z:+1", "", "", "", "", "A", ew,
                              "N", deg, "0", "0", "1", "0", "0", "0", "0"});
    };
    AssistFile f;
    // First record without letter has no previous value: left out.
    readBytes(&f, trailerFile({rec("", "5"), rec("E", "7"), rec("?", "9")}).toBytes(),
              &AssistFile::readTrailerRecords);
    QCOMPARE(f.samples().size(), 2);
    QCOMPARE(f.samples().at(0).longitude, QString("7.00000"));
    QCOMPARE(f.samples().at(1).longitude, QString("7.00000"));
}

void TestTailReaders::trailerRejects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray rec = trailerRecord(1, 2, 3, 'A', 'E', 'N', 1, 2, 3, 4, 5, 6, 7, 8);
    QByteArray noAmp = trailerFile({rec}, "GPS!").toBytes();
    QTest::newRow("no & in marker") << noAmp;
    QByteArray bytes = trailerFile({rec}).toBytes();
    bytes.replace(bytes.size() - 24, 4, "002C"); // 44: empty area
    QTest::newRow("length 44") << bytes;
    bytes.replace(bytes.size() - 24, 4, "00B1"); // 177 - 44 = 133: not whole records
    QTest::newRow("not whole records") << bytes;
    bytes.replace(bytes.size() - 24, 4, "zzzz");
    QTest::newRow("not hex") << bytes;
    bytes.replace(bytes.size() - 24, 4, "CE6C"); // 400 records: longer than the file
    QTest::newRow("area before file start") << bytes.right(500);
    QTest::newRow("shorter than trailer") << QByteArray("&&&&00B0");
}

void TestTailReaders::trailerRejects()
{
    QFETCH(QByteArray, bytes);
    AssistFile f;
    readBytes(&f, bytes, &AssistFile::readTrailerRecords);
    QCOMPARE(f.samples().size(), 0);
}

void TestTailReaders::trailerSkipsShortRecords()
{
    const QByteArray good = trailerRecord(1, 2, 3, 'A', 'E', 'N', 1, 2, 3, 4, 5, 6, 7, 8);
    const QByteArray shortRecord = trailerRecord({"a", "b", "c", "X:+1", "Y:+1", "Z:+1"});
    const QByteArray empty(132, '\0');
    AssistFile f;
    readBytes(&f, trailerFile({good, shortRecord, empty, good}).toBytes(),
              &AssistFile::readTrailerRecords);
    QCOMPARE(f.samples().size(), 2);
    QCOMPARE(f.samples().at(1).speed, 7);
}

void TestTailReaders::indexedBlocks()
{
    const QList<QByteArray> blocks = {indexedBlock(800 + 512, -1024, 2048, rmcA),
                                      indexedBlock(10001, 0, 0, ggaC),
                                      indexedBlock(800, 0, -10000, "garbage")};
    QTemporaryDir dir;
    const QString path = dir.filePath("i5.mp4");
    QVERIFY(indexedFile(blocks, IndexKind::Indexed).writeTo(path));
    AssistFile f;
    QCOMPARE(f.readIndexedBlocks(path, 3), 3);
    const AssistInfoList &s = f.samples();
    QCOMPARE(s.at(0).x, 0.5f);
    QCOMPARE(s.at(0).y, -1.0f);
    QCOMPARE(s.at(0).z, 2.0f);
    QCOMPARE(s.at(0).latitude, QString("47.2852395"));
    QCOMPARE(s.at(0).speed, 18);
    QCOMPARE(s.at(1).x, -800.0f / 1024.0f);
    QCOMPARE(s.at(1).latitude, QString("48.117301"));
    QCOMPARE(s.at(2).x, 0.0f);
    QCOMPARE(s.at(2).z, -10000.0f / 1024.0f);
    QVERIFY(s.at(2).latitude.isEmpty());
    // A smaller L reads the last L entries; the last alone holds no sentence, so the blocks it
    // names are not telemetry blocks.
    QCOMPARE(f.readIndexedBlocks(path, 2), 2);
    QCOMPARE(f.samples().at(1).z, -10000.0f / 1024.0f);
    QCOMPARE(f.readIndexedBlocks(path, 1), 0);
}

void TestTailReaders::indexedBlocksV2()
{
    const QList<QByteArray> blocks = {indexedBlockV2(512, 256, 1024, rmcA),
                                      indexedBlockV2(0, 20000, 0, ggaC)};
    AssistFile f;
    ByteSource src = ByteSource::fromBytes(indexedFile(blocks, IndexKind::IndexedV2).toBytes());
    QCOMPARE(f.readIndexedBlocksV2(src, 2), 2);
    QCOMPARE(f.samples().at(0).x, 0.5f);
    QCOMPARE(f.samples().at(0).y, 0.25f);
    QCOMPARE(f.samples().at(0).z, 1.0f);
    QCOMPARE(f.samples().at(0).longitude, QString("8.5652536"));
    QCOMPARE(f.samples().at(1).y, 0.0f);
    QCOMPARE(f.samples().at(1).longitude, QString("11.516670"));
}

void TestTailReaders::indexedV2SkipsSmallBlocks()
{
    QByteArray bytes = indexedFile({indexedBlockV2(512, 0, 0, rmcA), indexedBlockV2(1024, 0, 0, rmcA)},
                                   IndexKind::IndexedV2)
                           .toBytes();
    // First entry states 5120 bytes: nothing to read in it.
    bytes.replace(bytes.size() - 16 + 4, 4, be32(5120));
    ByteSource src = ByteSource::fromBytes(bytes);
    AssistFile f;
    QCOMPARE(f.readIndexedBlocksV2(src, 2), 1);
    QCOMPARE(f.samples().at(0).x, 1.0f);
}

void TestTailReaders::maskedBlocks()
{
    const QList<QByteArray> blocks = {maskedBlock("N22321234E114031234", "88", "+098-012+100"),
                                      maskedBlock("S22005000W114005000", "0", "-100+000-050")};
    ByteSource src = ByteSource::fromBytes(indexedFile(blocks, IndexKind::Masked).toBytes());
    AssistFile f;
    QCOMPARE(f.readMaskedBlocks(src, 2), 2);
    const AssistInfoList &s = f.samples();
    QCOMPARE(s.at(0).latitude, QString("22.53530"));
    QCOMPARE(s.at(0).longitude, QString("114.05200"));
    QCOMPARE(s.at(0).x, 0.98f);
    QCOMPARE(s.at(0).y, -0.12f);
    QCOMPARE(s.at(0).z, 1.0f);
    QCOMPARE(s.at(0).speed, 88);
    QCOMPARE(s.at(0).course, 0.0);
    QCOMPARE(s.at(1).latitude, QString("-22.00830"));
    QCOMPARE(s.at(1).longitude, QString("-114.00830"));
    QCOMPARE(s.at(1).x, -1.0f);
    QCOMPARE(s.at(1).z, -0.5f);
}

void TestTailReaders::maskedCoordinates_data()
{
    QTest::addColumn<QByteArray>("position");
    QTest::addColumn<QString>("lat");
    QTest::addColumn<QString>("lon");
    QTest::newRow("latitude only") << QByteArray("N22321234") << "22.53530" << "";
    QTest::newRow("too short") << QByteArray("N223212") << "" << "";
    QTest::newRow("no hemisphere letters") << QByteArray("X22321234Y114031234") << "" << "";
    QTest::newRow("longitude only") << QByteArray("?22321234E114031234") << "" << "114.05200";
}

void TestTailReaders::maskedCoordinates()
{
    QFETCH(QByteArray, position);
    ByteSource src = ByteSource::fromBytes(
        indexedFile({maskedBlock(position, "1", "+001+002+003")}, IndexKind::Masked).toBytes());
    AssistFile f;
    QCOMPARE(f.readMaskedBlocks(src, 1), 1);
    QTEST(f.samples().at(0).latitude, "lat");
    QTEST(f.samples().at(0).longitude, "lon");
}

void TestTailReaders::tableLongerThanFile()
{
    const QByteArray bytes = indexedFile({indexedBlock(1, 2, 3, rmcA)}, IndexKind::Indexed).toBytes();
    ByteSource src = ByteSource::fromBytes(bytes);
    AssistFile f;
    QCOMPARE(f.readIndexedBlocks(src, int(bytes.size() / 8) + 1), 0);
    QCOMPARE(f.readIndexedBlocks(src, std::numeric_limits<int>::max()), 0);
    QCOMPARE(f.readIndexedBlocksV2(src, std::numeric_limits<int>::max()), 0);
    QCOMPARE(f.readMaskedBlocks(src, -5), 0);
    QCOMPARE(f.readIndexedBlocks(src, 0), 0);
}

void TestTailReaders::unopenableFileGivesZero()
{
    AssistFile f;
    const QString missing = QStringLiteral("/nonexistent/zevidud.mp4");
    QCOMPARE(f.readTrailerRecords(missing), 0);
    QCOMPARE(f.readIndexedBlocks(missing, 3), 0);
    QCOMPARE(f.readIndexedBlocksV2(missing, 3), 0);
    QCOMPARE(f.readMaskedBlocks(missing, 3), 0);
}

void TestTailReaders::utcFromTheBlocks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("layout"); // 5 indexed, 7 indexed v2, 8 masked, 9 trailer
    QTest::addColumn<int>("blocks");
    QTest::addColumn<qint64>("utcMs");
    QTest::addColumn<int>("clock");
    const int gps = int(AssistInfo::Clock::Gps);
    const int none = int(AssistInfo::Clock::None);
    const qint64 rmcTime = utcMs(2002, 12, 9, 8, 35, 59);
    QTest::newRow("5: RMC date and time")
        << indexedFile({indexedBlock(1, 2, 3, rmcA)}, IndexKind::Indexed).toBytes() << 5 << 1
        << rmcTime << gps;
    QTest::newRow("5: GGA has no date")
        << indexedFile({indexedBlock(1, 2, 3, ggaC), indexedBlock(1, 2, 3, rmcA)},
                       IndexKind::Indexed).toBytes()
        << 5 << 2 << qint64(-1) << none;
    QTest::newRow("7: RMC date and time")
        << indexedFile({indexedBlockV2(1, 2, 3, rmcA)}, IndexKind::IndexedV2).toBytes() << 7 << 1
        << rmcTime << gps;
    QTest::newRow("8: the block's date fields")
        << indexedFile({maskedBlockAt("20231104123456")}, IndexKind::Masked).toBytes() << 8 << 1
        << utcMs(2023, 11, 4, 12, 34, 56) << gps;
    // A month 13 the record reader refuses itself (test_nmea, xorRecord).
    QTest::newRow("8: no date digits")
        << indexedFile({maskedBlockAt("2023110412345x")}, IndexKind::Masked).toBytes() << 8 << 1
        << qint64(-1) << none;
    QTest::newRow("9: stamp with a fix")
        << trailerFile({stampedRecord("2023-09-15", "08:35:59", 'A')}).toBytes() << 9 << 1
        << utcMs(2023, 9, 15, 8, 35, 59) << gps;
    QTest::newRow("9: stamp without a fix is the camera's")
        << trailerFile({stampedRecord("2023-09-15", "08:36:00", 'V')}).toBytes() << 9 << 1
        << utcMs(2023, 9, 15, 8, 36, 0) << int(AssistInfo::Clock::Camera);
    QTest::newRow("9: no date in the record")
        << trailerFile({stampedRecord("20230915", "083559", 'A')}).toBytes() << 9 << 1 << qint64(-1)
        << none;
}

void TestTailReaders::utcFromTheBlocks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, layout);
    QFETCH(int, blocks);
    ByteSource src = ByteSource::fromBytes(bytes);
    AssistFile f;
    const int read = layout == 5 ? f.readIndexedBlocks(src, blocks)
        : layout == 7            ? f.readIndexedBlocksV2(src, blocks)
        : layout == 8            ? f.readMaskedBlocks(src, blocks)
                                 : f.readTrailerRecords(src);
    QCOMPARE(read, blocks);
    QTEST(f.samples().first().utcMs, "utcMs");
    QTEST(int(f.samples().first().utcClock), "clock");
}

void TestTailReaders::maskedUtcAgreesWithExifTool()
{
    if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
        QSKIP("no exiftool");
    // The blocks as the cameras store them: a "freeGPS " header, the masked text from byte 18
    // ("\0\0XKZD\xfe\xfe", date and time, a label, the position), named by the moov "gps " box
    // (which ExifTool follows) and by the index table at the end (which we follow).
    const QList<QByteArray> stamps = {"20231104123456", "20231104123457", "20240229235959"};
    QByteArray blocks;
    QByteArray entries;
    const QByteArray head = box("ftyp", "isom" + be32(0));
    QByteArray moovChildren = box("udta", box("info", "fmt "));
    const int moovSize = 8 + moovChildren.size() + 8 + 8 + 8 * stamps.size();
    const int first = head.size() + moovSize + 8;
    for (int i = 0; i < stamps.size(); ++i) {
        QByteArray plain(256, '\0');
        plain.replace(0, 18, be32(0x100) + "freeGPS " + QByteArray("\x05\x01\0\0\x01\x03", 6));
        plain.replace(18, 8, QByteArray("\0\0XKZD\xfe\xfe", 8));
        plain.replace(26, 14, stamps.at(i));
        plain.replace(56, 19, "N22321234E114031234");
        plain.replace(75, 8, "+0012057");
        plain.replace(191, 12, "+098-012+100");
        for (int k = 18; k < 203; ++k)
            plain[k] = char(uchar(plain.at(k)) ^ 0xAA);
        entries += be32(quint32(first + blocks.size())) + be32(quint32(plain.size()));
        blocks += plain;
    }
    moovChildren += box("gps ", be32(1) + be32(quint32(stamps.size())) + entries);
    const QByteArray file = head + box("moov", moovChildren) + box("mdat", blocks) + "GPSINDEX"
        + entries;
    QTemporaryDir dir;
    const QString path = dir.filePath("masked.mp4");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();

    AssistFile f;
    QCOMPARE(f.readMaskedBlocks(path, stamps.size()), stamps.size());
    QProcess p;
    p.start(QStringLiteral("exiftool"), {"-ee", "-n", "-a", "-s", "-GPSDateTime", "-GPSLatitude",
                                         path});
    QVERIFY(p.waitForFinished(60000));
    // "GPSDateTime : 2023:11:04 12:34:56Z" and "GPSLatitude : 22.53539", document by document.
    QList<qint64> times;
    QList<double> latitudes;
    static const QRegularExpression re(QStringLiteral(
        "^GPSDateTime\\s*: (\\d{4}):(\\d\\d):(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d)"));
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QRegularExpressionMatch m = re.match(QString::fromLatin1(line));
        if (m.hasMatch())
            times.append(utcMs(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                             m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
        else if (line.startsWith("GPSLatitude"))
            latitudes.append(line.mid(line.indexOf(':') + 1).trimmed().toDouble());
    }
    QCOMPARE(times.size(), stamps.size());
    QCOMPARE(latitudes.size(), stamps.size());
    for (int i = 0; i < stamps.size(); ++i) {
        QCOMPARE(f.samples().at(i).utcMs, times.at(i));
        QCOMPARE(f.samples().at(i).utcClock, AssistInfo::Clock::Gps);
        // The masked layout's text gives the degrees to four exact decimals (22.5353 for
        // 22.53539), so the two readings agree to 1e-4.
        QVERIFY(qAbs(f.samples().at(i).latitudeDeg - latitudes.at(i)) < 1e-4);
    }
}

QTEST_GUILESS_MAIN(TestTailReaders)
#include "test_tail_readers.moc"
