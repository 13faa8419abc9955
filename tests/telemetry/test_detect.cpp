// Device detection (every layout code and the rules that override one another) and the loading
// of telemetry through the reader each code selects.

#include "bytesource.h"
#include "devicedetect.h"
#include "mp4/mp4atomtree.h"
#include "mp4/mp4v2parsefile.h"
#include "mp4_fixtures.h"
#include "telemetry_fixtures.h"
#include "telemetryloader.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace mp4fx;

namespace {

const QByteArray kRmc = "$GPRMC,092750.000,A,2232.1234,N,11403.1234,E,10.0,77.52,230394,,,\r\n";

QByteArray mvhd()
{
    return fullBox("mvhd", 0, 0, QByteArray(96, '\0'));
}

// The text of the first box inside udta: its type, then the bytes after it.
QByteArray udta(const QByteArray &typeAndText)
{
    return udtaBox(typeAndText.left(4), typeAndText.mid(4));
}

QByteArray qmdxFile(const QByteArray &tail = {})
{
    TrackPlan t;
    t.handler = "text";
    t.samples = {textSample("GPS:" + kRmc)};
    FilePlan layout;
    layout.tracks = {t};
    layout.topBefore = {box("qmdx", "maker box")};
    layout.tail = tail;
    return buildMp4(layout);
}

QByteArray withAmbarellaName(QByteArray file, const QByteArray &name)
{
    file.replace("AMBARELLA A12", name);
    return file;
}

} // namespace

class TestDetect : public QObject
{
    Q_OBJECT

private slots:
    void detection_data();
    void detection();
    void missingFileAndHostileBytes();
    void loadingPerLayout_data();
    void loadingPerLayout();
    void makerTrackLoading();

private:
    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("rec%1.mp4").arg(m_counter++));
        return writeFile(path, bytes) ? path : QString();
    }

    QTemporaryDir m_dir;
    int m_counter = 0;
};

void TestDetect::detection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("gpsLength");

    const QByteArray trak = box("trak", box("tkhd", QByteArray(84, '\0')));
    QTest::newRow("0: plain text") << QByteArray("hello, not a recording\n") << 0 << 0;
    QTest::newRow("0: ftyp and mdat only") << box("ftyp", "isom") + box("mdat", "xx") << 0 << 0;
    QTest::newRow("0: empty moov") << detectionFile({}) << 0 << 0;
    QTest::newRow("1: AMBAxV4") << detectionFile({mvhd(), udta("infoAMBAxV4 v1.0")}) << 1 << 0;
    QTest::newRow("1: AMBARELLA A12") << detectionFile({udta("infoAMBARELLA A12")}) << 1 << 0;
    QTest::newRow("2: AMBARELLA A7L") << detectionFile({mvhd(), udta("infoAMBARELLA A7L")}) << 2 << 0;
    QTest::newRow("2 wins over NT96650A")
        << detectionFile({udta("infoNT96650A AMBARELLA A7L")}) << 2 << 0;
    QTest::newRow("3: ICAT6330 tail") << detectionFile({mvhd()}, "xxICAT6330") << 3 << 0;
    QTest::newRow("3: ICAT6350 tail, no boxes") << QByteArray(100, '\x01') + "ICAT6350" << 3 << 0;
    QTest::newRow("3 overrides 7") << detectionFile({gpsBox(1, 4)}, "ICAT6330") << 3 << 4;
    QTest::newRow("4: NT96650A") << detectionFile({mvhd(), trak, udta("infoNT96650A")}) << 4 << 0;
    QTest::newRow("4: NT9665x") << detectionFile({udta("infoNT9665x")}) << 4 << 0;
    QTest::newRow("4 wins over NT9666") << detectionFile({udta("infoNT96650A..NT9666")}) << 4 << 0;
    QTest::newRow("4: any other text") << detectionFile({mvhd(), udta("\xa9tooLavf59.27.100")})
                                       << 4 << 0;
    QTest::newRow("4: NT9666 in the first 8 bytes") << detectionFile({udta("infNT9666xxxxxx")})
                                                    << 4 << 0;
    QTest::newRow("4: NT9666 from byte 8") << detectionFile({udta("info123NT9666")}) << 4 << 0;
    QTest::newRow("5: NT9666 exactly from byte 9") << detectionFile({udta("info1234NT9666")})
                                                   << 5 << 0;
    QTest::newRow("4: NT9667XA from byte 16")
        << detectionFile({udta("info12345678901NT9667XA")}) << 4 << 0;
    QTest::newRow("4: fmt without gps box") << detectionFile({udta("infofmt ")}) << 4 << 0;
    QTest::newRow("4: NT9667XA before byte 17") << detectionFile({udta("info12345NT9667XA")})
                                                << 4 << 0;
    QTest::newRow("5: moov without udta") << detectionFile({mvhd(), trak}) << 5 << 0;
    QTest::newRow("5: NT9666 from byte 9") << detectionFile({udta("info" + QByteArray(4, '\0') + "NT9666")}) << 5 << 0;
    QTest::newRow("5: NT9666 and fmt with gps box")
        << detectionFile({mvhd(), gpsBox(1, 9), udta("infofmt NT9666 fmt")}) << 5 << 9;
    QTest::newRow("5: gps box and no udta") << detectionFile({gpsBox(2, 3)}) << 5 << 3;
    QTest::newRow("5: udta's first box is 0 bytes")
        << detectionFile({mvhd(), box("udta", be32(0) + "AMBAxV4 NT96650A")}) << 5 << 0;
    QTest::newRow("5: udta after 3 other children")
        << detectionFile({mvhd(), trak, trak, box("udta", QByteArray())}) << 5 << 0;
    QTest::newRow("6: qmdx") << qmdxFile() << 6 << 0;
    QTest::newRow("6 wins over ICAT tail") << qmdxFile("ICAT6330") << 6 << 0;
    QTest::newRow("6 wins over TORVEN tail") << qmdxFile("TORVEN53") << 6 << 0;
    QTest::newRow("7: NT9667XA from byte 17")
        << detectionFile({mvhd(), udta("info123456789012NT9667XA")}) << 7 << 0;
    QTest::newRow("7: gps box, udta first with 0-byte box")
        << detectionFile({box("udta", be32(0)), gpsBox(1, 6)}) << 7 << 6;
    QTest::newRow("7: gps box and NT9667XA")
        << detectionFile({gpsBox(1, 12), udta("info123456789012NT9667XA")}) << 7 << 12;
    QTest::newRow("8: fmt with gps box") << detectionFile({gpsBox(1, 2), udta("infoformat fmt")})
                                         << 8 << 2;
    QTest::newRow("9: TORVEN53") << detectionFile({mvhd()}, "....TORVEN53") << 9 << 0;
    QTest::newRow("9: TORVEN42 overrides 7") << detectionFile({gpsBox(1, 5)}, "TORVEN42") << 9 << 5;
    QTest::newRow("64-bit moov") << box("ftyp", "isom") + largeBox("moov", mvhd() + udta("infoNT9665x"))
                                 << 4 << 0;
    QTest::newRow("moov cut short")
        << (detectionFile({mvhd(), udta("infoNT96650A")})).left(24 + 72 + 8 + 8 + 50) << 5 << 0;
    // A recording cut short keeps what it wrote: the gps box in front of the cut is read.
    QTest::newRow("gps box in a moov cut short")
        << detectionFile({mvhd(), gpsBox(1, 4), udta("infoNT96650A")}).chopped(4) << 5 << 4;
    QTest::newRow("udta box cut short ends detection")
        << box("ftyp", "isom") + be32(500) + "moov" + be32(11) + "udta" + be32(40) + "AMB"
        << 0 << 0;
    QTest::newRow("udta box ends the file")
        << box("ftyp", "isom") + box("moov", mvhd() + box("udta", be32(12) + "infoNT9665x")).left(200)
        << 4 << 0;
    QTest::newRow("length cut to 64")
        << detectionFile({udta("info" + QByteArray(60, '.') + "AMBARELLA A7L")}) << 4 << 0;
}

void TestDetect::detection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, device);
    QFETCH(int, gpsLength);
    const QString path = write(bytes);
    int length = -1;
    QCOMPARE(int(detectDevice(path, &length)), device);
    QCOMPARE(length, gpsLength);
    // Over the load's walked tree: the same answer.
    ByteSource src(path);
    Mp4AtomTree tree;
    tree.walk(src);
    length = -1;
    QCOMPARE(int(detectDevice(src, tree, &length, path)), device);
    QCOMPARE(length, gpsLength);
    // The loader reports the same and never fails on these files.
    const TelemetryLoad load = loadTelemetry(path, nullptr);
    QCOMPARE(int(load.device), device);
    QCOMPARE(load.gpsLength, gpsLength);
}

void TestDetect::missingFileAndHostileBytes()
{
    int length = 7;
    QCOMPARE(detectDevice(m_dir.filePath("nothing-here.mp4"), &length), DeviceUnknown);
    QCOMPARE(length, 0);
    const TelemetryLoad none = loadTelemetry(m_dir.filePath("nothing-here.mp4"), nullptr);
    QCOMPARE(none.device, DeviceUnknown);
    QVERIFY(none.samples.isEmpty());
    QCOMPARE(detectDevice(m_dir.path(), nullptr), DeviceUnknown);

    // Every prefix and many corrupted copies of a rich file: no crash, a valid code.
    const QByteArray rich = detectionFile({mvhd(), gpsBox(1, 3), udta("info123456789012NT9667XA")},
                                          {}, {box("free", "x")});
    QRandomGenerator rng(77);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = rich.left(round < rich.size() ? round : rich.size());
        if (round >= rich.size())
            for (int k = 0; k < 4; ++k)
                bytes[int(rng.bounded(quint32(bytes.size())))] = char(rng.bounded(256));
        ByteSource src = ByteSource::fromBytes(bytes);
        int L = 0;
        const DeviceType d = detectDevice(src, &L);
        QVERIFY(int(d) >= 0 && int(d) <= 9);
        ByteSource again = ByteSource::fromBytes(bytes);
        const TelemetryLoad load = loadTelemetry(again, nullptr);
        QCOMPARE(load.device, d);
    }
}

void TestDetect::loadingPerLayout_data()
{
    using namespace fixtures;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("gpsLength");
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("firstX");

    const QList<QByteArray> tab = {tabLine(120, -35, 981, kRmc.trimmed()),
                                   tabLine(10, 20, 30, kRmc.trimmed())};
    QTest::newRow("1") << tabTextTrackFile(tab).toBytes() << 1 << 0 << 2 << 0.12;
    QTest::newRow("2") << withAmbarellaName(tabTextTrackFile(tab).toBytes(), "AMBARELLA A7L") << 2
                       << 0 << 2 << 0.12;
    QTest::newRow("3") << detectionFile({mvhd()}, "ICAT6350") << 3 << 0 << 0 << 0.0;
    QList<QByteArray> aligned;
    for (int s = 0; s < 3; ++s)
        aligned.append(alignedBlock(500, 0, 0, kRmc, "12345678"));
    QTest::newRow("4") << alignedOneTrackFile(aligned).toBytes() << 4 << 0 << 3 << 0.5;
    QList<QByteArray> tail;
    for (int s = 0; s < 4; ++s)
        tail.append(frameTailBlock(1800, 0, 0, kRmc));
    const SparseFile frameTail = frameTailFile(tail);
    QTest::newRow("5 frame tail") << frameTail.toBytes() << 5 << 0 << 4 << 1.0;

    const QList<QByteArray> indexed = {indexedBlock(1824, 0, 0, kRmc), indexedBlock(800, 0, 0, kRmc)};
    QTest::newRow("5 index table")
        << indexTableFile({mvhd(), gpsBox(1, 2), udta("info" + QByteArray(4, '\0') + "NT9666 fmt")}, indexed) << 5
        << 2 << 2 << 1.0;
    const QList<QByteArray> v2 = {indexedBlockV2(512, 0, 0, kRmc), indexedBlockV2(0, 0, 0, kRmc),
                                  indexedBlockV2(0, 0, 0, kRmc)};
    QTest::newRow("7") << indexTableFile({gpsBox(1, 3), udta("info123456789012NT9667XA")}, v2,
                                         "GPSINDEX", 5120)
                       << 7 << 3 << 3 << 0.5;
    const QList<QByteArray> masked = {maskedBlock("N22321234E114031234", "57", "+098-012+100")};
    QTest::newRow("8") << indexTableFile({gpsBox(1, 1), udta("infoNT96xx fmt")}, masked, "GPSINDEX")
                       << 8 << 1 << 1 << 0.98;
    const QList<QByteArray> records = {trailerRecord(512, 0, 1024, 'A', 'W', 'N', 118, 30, 0, 22,
                                                     15, 0, 40, 90)};
    QTest::newRow("9") << trailerFile(records).toBytes() << 9 << 0 << 1 << 0.5;
}

void TestDetect::loadingPerLayout()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, device);
    QFETCH(int, gpsLength);
    QFETCH(int, samples);
    QFETCH(double, firstX);

    const QString path = write(bytes);
    mp4v2ParseFile reader;
    const TelemetryLoad load = loadTelemetry(path, &reader);
    QCOMPARE(int(load.device), device);
    QCOMPARE(load.gpsLength, gpsLength);
    QCOMPARE(load.samples.size(), samples);
    QCOMPARE(load.readerCount, samples);
    if (samples > 0) {
        QVERIFY2(qAbs(load.samples.first().x - firstX) < 1e-3,
                 qPrintable(QString::number(double(load.samples.first().x))));
        const AssistInfo &s = load.samples.first();
        QVERIFY2(s.latitude.startsWith("22.5") || s.latitude.startsWith("22.2"),
                 qPrintable(s.latitude));
    }
}

void TestDetect::makerTrackLoading()
{
    mp4v2ParseFile reader;
    const TelemetryLoad load = loadTelemetry(write(qmdxFile("ICAT6330")), &reader);
    QCOMPARE(load.device, DeviceMakerTrack);
    QCOMPARE(load.layoutCode, int(DeviceMakerTrack));
    QCOMPARE(load.samples.size(), 1);
    QCOMPARE(load.readerCount, 1);
    QCOMPARE(load.samples.first().latitude, QString("22.5354"));
    QCOMPARE(load.samples.first().speed, 10);

    // The maker's box but no readable samples: code 6, nothing from the track.
    FilePlan empty;
    empty.topBefore = {box("qmdx", "q")};
    TrackPlan t;
    t.handler = "text";
    t.samples = {textSample("no sentence")};
    empty.tracks = {t};
    const TelemetryLoad none = loadTelemetry(write(buildMp4(empty)), nullptr);
    QCOMPARE(none.device, DeviceMakerTrack);
    QVERIFY(none.samples.isEmpty());
}

QTEST_GUILESS_MAIN(TestDetect)
#include "test_detect.moc"
