// What leaves loadTelemetry: timed samples in time order, positions by fix (0 degrees included),
// no samples made up from video bytes and the order of the real-camera table.

#include "bytesource.h"
#include "freegps_blocks.h"
#include "layouttable.h"
#include "mp4_fixtures.h"
#include "sampletime.h"
#include "telemetry_fixtures.h"
#include "telemetryloader.h"

#include <QLoggingCategory>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kRmc = "$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,A*57";
const QByteArray kRmcVoid = "$GPRMC,083559.00,V,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,N*57";
const QByteArray kRmcZero = "$GPRMC,000000.00,A,0000.0000,N,00000.0000,E,0.0,0.0,010120,,,A*00";

void checkTimedInOrder(const AssistInfoList &samples)
{
    for (int i = 0; i < samples.size(); ++i) {
        QVERIFY2(samples.at(i).timeMs >= 0, qPrintable(QString::number(i)));
        if (i > 0)
            QVERIFY(samples.at(i).timeMs >= samples.at(i - 1).timeMs);
    }
}

} // namespace

class TestTelemetryLoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("default.debug=false"); }
    void chipLayoutsAreTimedBySecond_data();
    void chipLayoutsAreTimedBySecond();
    void droppedRecordLeavesAGapNotAShift();
    void zeroDegreesIsAPlaceAndNoFixIsNone();
    void trackTimesComeFromTheSampleTable();
    void trackRecordsWithoutFixHaveNoPosition();
    void blocksWithoutSentenceAreNotTelemetry();
    void tableOrderAndContainers();
    void layoutNamesComeFromTheTable();
    void ambarellaWithoutItsTextTrackStaysItsLayout();

private:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        mp4fx::writeFile(path, bytes);
        return path;
    }
    QTemporaryDir m_dir;
};

void TestTelemetryLoad::chipLayoutsAreTimedBySecond_data()
{
    using namespace fixtures;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    QList<QByteArray> aligned, tail, idx, idx2, masked, records, lines;
    for (int i = 0; i < 5; ++i) {
        aligned << alignedBlock(i, i, 1000, kRmc, "12345678");
        tail << frameTailBlock(i, i, 1000, kRmc);
        idx << indexedBlock(i, i, 1024, kRmc);
        idx2 << indexedBlockV2(i, i, 1024, kRmc);
        masked << maskedBlock("N22321234E114031234", "42", "+098-012+100");
        records << trailerRecord(1, 2, 3, 'A', 'E', 'N', 8, 33, 91522, 47, 17, 11437, 18, 77);
        lines << tabLine(120, -35, 981, kRmc);
    }
    QTest::newRow("4") << alignedOneTrackFile(aligned).toBytes() << 4;
    QTest::newRow("4 two tracks") << alignedTwoTrackFile(aligned).toBytes() << 4;
    QTest::newRow("5") << frameTailFile(tail).toBytes() << 5;
    QTest::newRow("1") << tabTextTrackFile(lines).toBytes() << 1;
    QTest::newRow("9") << trailerFile(records).toBytes() << 9;
    using namespace mp4fx;
    const QByteArray mvhd = fullBox("mvhd", 0, 0, QByteArray(96, '\0'));
    QTest::newRow("5 indexed") << indexTableFile({mvhd, gpsBox(1, 5)}, idx) << 5;
    QTest::newRow("7") << indexTableFile({gpsBox(1, 5), udtaBox("info", "123456789012NT9667XA")},
                                         idx2, "GPSINDEX", 5120)
                       << 7;
    QTest::newRow("8") << indexTableFile({gpsBox(1, 5), udtaBox("info", "fmt")}, masked,
                                         "GPSINDEX")
                       << 8;
}

void TestTelemetryLoad::chipLayoutsAreTimedBySecond()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    const TelemetryLoad load = loadTelemetry(write("timed.mp4", bytes), nullptr);
    QCOMPARE(int(load.device), code);
    QCOMPARE(load.layoutCode, code);
    QVERIFY(!load.layoutName.isEmpty());
    QCOMPARE(load.samples.size(), 5);
    for (int i = 0; i < load.samples.size(); ++i) {
        const AssistInfo &s = load.samples.at(i);
        QCOMPARE(s.timeMs, qint64(i) * 1000);
        QVERIFY(s.hasPosition);
        // The numbers are the texts, read as numbers: map and table agree.
        QCOMPARE(s.latitudeDeg, s.latitude.toDouble());
        QCOMPARE(s.longitudeDeg, s.longitude.toDouble());
        QVERIFY(s.latitudeDeg > 22.0 && s.latitudeDeg < 48.0);
    }
    const qint64 cover = sampleCoverMs(typicalSampleSpacingMs(load.samples));
    QCOMPARE(sampleIndexAtTime(load.samples, 3500, cover), 3);
}

void TestTelemetryLoad::droppedRecordLeavesAGapNotAShift()
{
    using namespace fixtures;
    QList<QByteArray> records;
    for (int i = 0; i < 5; ++i)
        records << trailerRecord(1, 2, 3, 'A', 'E', 'N', 8, i, 0, 47, 17, 0, 18, 77);
    records[1] = trailerRecord({"damaged", "record"});
    const TelemetryLoad load = loadTelemetry(write("gap.mp4", trailerFile(records).toBytes()),
                                             nullptr);
    QCOMPARE(load.samples.size(), 4);
    QCOMPARE(load.samples.at(1).timeMs, 2000);
    QCOMPARE(load.samples.at(1).longitude, QString::number(8 + 2 / 60.0, 'f', 5));
    const qint64 cover = sampleCoverMs(typicalSampleSpacingMs(load.samples));
    QCOMPARE(sampleIndexAtTime(load.samples, 500, cover), 0);
    // The second whose record is missing shows nothing, and the next shows its own record.
    QCOMPARE(sampleIndexAtTime(load.samples, 1700, cover), -1);
    QCOMPARE(sampleIndexAtTime(load.samples, 2100, cover), 1);
}

void TestTelemetryLoad::zeroDegreesIsAPlaceAndNoFixIsNone()
{
    using namespace fixtures;
    // Greenwich on the equator, then a sentence that carries numbers but no fix.
    const QList<QByteArray> blocks = {alignedBlock(0, 0, 1000, kRmcZero, "12345678"),
                                      alignedBlock(0, 0, 1000, kRmcVoid, "12345678")};
    const TelemetryLoad load =
        loadTelemetry(write("zero.mp4", alignedOneTrackFile(blocks).toBytes()), nullptr);
    QCOMPARE(load.samples.size(), 2);
    QCOMPARE(load.samples.at(0).latitude, QString("0.000000"));
    QVERIFY(load.samples.at(0).hasPosition);
    QCOMPARE(load.samples.at(0).latitudeDeg, 0.0);
    QCOMPARE(load.samples.at(0).longitudeDeg, 0.0);
    // The text fields stay what the reader wrote; only the flag says "no fix".
    QCOMPARE(load.samples.at(1).latitude, QString("47.2852395"));
    QVERIFY(!load.samples.at(1).hasPosition);

    // The same at 0 degrees in the trailer layout, with and without its fix letter.
    const TelemetryLoad trailer = loadTelemetry(
        write("zero9.mp4",
              trailerFile({trailerRecord(1, 2, 3, 'A', 'E', 'N', 0, 0, 0, 0, 0, 0, 0, 0),
                           trailerRecord(1, 2, 3, 'V', 'E', 'N', 0, 0, 0, 0, 0, 0, 0, 0)})
                  .toBytes()),
        nullptr);
    QCOMPARE(trailer.samples.size(), 2);
    QVERIFY(trailer.samples.at(0).hasPosition);
    QVERIFY(!trailer.samples.at(1).hasPosition);
}

void TestTelemetryLoad::trackTimesComeFromTheSampleTable()
{
    using namespace mp4fx;
    // 91 records over 60 s: an uneven rate that per-second arithmetic cannot place.
    TrackPlan meta;
    meta.handler = "meta";
    meta.trackId = 2;
    meta.timeScale = 90000;
    MetaRecord r;
    r.latDegrees = 22;
    r.lonDegrees = 114;
    constexpr int n = 91;
    QVector<qint64> startsMs;
    for (int k = 0; k < n; ++k) {
        const qint64 t0 = qint64(k) * 60 * 90000 / n;
        const qint64 t1 = qint64(k + 1) * 60 * 90000 / n;
        meta.samples.append(metaRecord(r));
        meta.deltas.append(quint32(t1 - t0));
        startsMs.append(t0 * 1000 / 90000);
    }
    TrackPlan video;
    for (int f = 0; f < 60 * 30; ++f)
        video.samples.append(QByteArray(16, 'v'));
    video.samplesPerChunk = {30};
    FilePlan plan;
    plan.tracks = {video, meta};
    plan.topBefore = {box("qmdx", "maker")};
    const TelemetryLoad load = loadTelemetry(write("uneven.mp4", buildMp4(plan)), nullptr);
    QCOMPARE(int(load.device), 6);
    QCOMPARE(load.samples.size(), n);
    for (int k = 0; k < n; ++k)
        QCOMPARE(load.samples.at(k).timeMs, startsMs.at(k));
    QVERIFY(load.samples.last().timeMs > 59000);
    const qint64 cover = sampleCoverMs(typicalSampleSpacingMs(load.samples));
    // The marker keeps moving to the end of the minute, not only to its 45th second.
    QCOMPARE(sampleIndexAtTime(load.samples, 59500, cover), n - 1);
    QCOMPARE(sampleIndexAtTime(load.samples, 45000, cover), int(45000LL * n / 60000));
}

void TestTelemetryLoad::trackRecordsWithoutFixHaveNoPosition()
{
    using namespace mp4fx;
    TrackPlan meta;
    meta.handler = "meta";
    MetaRecord equator; // 0 degrees, 0 minutes: a real place
    MetaRecord lost;
    lost.status = 'V';
    lost.latDegrees = 40;
    meta.samples = {metaRecord(equator), metaRecord(lost)};
    TrackPlan text;
    text.handler = "text";
    text.trackId = 3;
    text.samples = {textSample("GPS:" + kRmc), textSample("GPS:$GPRMC,1,A,4717.1,N,0833.9")};
    for (const TrackPlan &last : {meta, text}) {
        FilePlan plan;
        plan.tracks = {last};
        plan.topBefore = {box("qmdx", "maker")};
        const TelemetryLoad load = loadTelemetry(write("fix.mp4", buildMp4(plan)), nullptr);
        QCOMPARE(load.samples.size(), 2);
        checkTimedInOrder(load.samples);
        QVERIFY(load.samples.at(0).hasPosition);
        QVERIFY(!load.samples.at(1).hasPosition);
        // The meta record repeats the last position as text, the text sample without its
        // hemisphere letter still writes its numbers: the flag says neither is a fix.
        if (last.handler == "meta")
            QCOMPARE(load.samples.at(1).latitude, load.samples.at(0).latitude);
        else
            QCOMPARE(load.samples.at(1).latitude, QString("47.285"));
        QCOMPARE(load.samples.at(0).hasGSensor, last.handler == "meta");
    }
}

void TestTelemetryLoad::blocksWithoutSentenceAreNotTelemetry()
{
    using namespace fixtures;
    QList<QByteArray> noise;
    for (int i = 0; i < 6; ++i)
        noise << alignedBlock(4000 + i, -3000, 5600, "Lavf58.76.100 no sentence", "13572468");
    const TelemetryLoad four =
        loadTelemetry(write("noise4.mp4", alignedOneTrackFile(noise).toBytes()), nullptr);
    QCOMPARE(int(four.device), 4);
    QCOMPARE(four.layoutCode, 4);
    QCOMPARE(four.samples.size(), 0);

    QList<QByteArray> tail;
    for (int i = 0; i < 6; ++i)
        tail << frameTailBlock(4000, 1000, -2000, QByteArray(60, char(0x41 + i)));
    const TelemetryLoad five =
        loadTelemetry(write("noise5.mp4", frameTailFile(tail).toBytes()), nullptr);
    QCOMPARE(int(five.device), 5);
    QCOMPARE(five.samples.size(), 0);

    // One block with a sentence is enough for the others to count (G values of every second).
    tail[3] = frameTailBlock(4000, 1000, -2000, kRmc);
    const TelemetryLoad one = loadTelemetry(write("one5.mp4", frameTailFile(tail).toBytes()),
                                            nullptr);
    QCOMPARE(one.samples.size(), 6);
    QCOMPARE(one.samples.at(3).hasPosition, true);
    QCOMPARE(one.samples.at(2).hasPosition, false);
}

void TestTelemetryLoad::tableOrderAndContainers()
{
    int count = 0;
    const LayoutRow *rows = layoutTable(&count);
    QSet<int> chipCodes;
    bool laterRowSeen = false;
    for (int i = 0; i < count; ++i) {
        QVERIFY(rows[i].read != nullptr);
        QVERIFY(rows[i].firstCode <= rows[i].lastCode);
        if (rows[i].chip) {
            // Chip rows come first, one per detected code, and run only for their code.
            QVERIFY(!laterRowSeen);
            QVERIFY(rows[i].applies != nullptr);
            QVERIFY(!chipCodes.contains(rows[i].firstCode));
            chipCodes << rows[i].firstCode;
            ReadContext ctx;
            ctx.chipLayout = rows[i].firstCode;
            QVERIFY(rows[i].applies(ctx));
            ctx.chipLayout = rows[i].firstCode == 9 ? 1 : rows[i].firstCode + 1;
            QVERIFY(!rows[i].applies(ctx));
        } else {
            laterRowSeen = true;
            QVERIFY(rows[i].firstCode > int(DeviceTorvenTrailer));
        }
    }
    QCOMPARE(chipCodes, (QSet<int>{1, 2, 4, 5, 6, 7, 8, 9}));
    // Files of their own come last: what the recording itself carries wins.
    QCOMPARE(QString::fromLatin1(rows[count - 1].name), QStringLiteral("sidecar files"));
    QCOMPARE(rows[count - 1].where, unsigned(ContainerAny));

    auto kind = [](const QByteArray &bytes) {
        ByteSource src = ByteSource::fromBytes(bytes);
        return classifyContainer(src);
    };
    QByteArray ts(188 * 3, '\xff');
    for (int i = 0; i < 3; ++i)
        ts[188 * i] = 0x47;
    QByteArray m2ts(192 * 3, '\xff');
    for (int i = 0; i < 3; ++i)
        m2ts[192 * i + 4] = 0x47;
    QCOMPARE(kind(ts), ContainerKind::MpegTs);
    QCOMPARE(kind(m2ts), ContainerKind::MpegTs);
    QCOMPARE(kind(ts.left(300)), ContainerKind::Other);
    // A recording cut short still starts with a box that claims more than the file holds.
    QCOMPARE(kind(mp4fx::be32(1 << 30) + "mdat" + QByteArray(64, '\0')), ContainerKind::IsoBmff);
    QCOMPARE(kind(mp4fx::be32(4) + "mdat" + QByteArray(64, '\0')), ContainerKind::Other);
    QCOMPARE(kind("GPS log\n$GPRMC"), ContainerKind::Other);
    QCOMPARE(kind("abc"), ContainerKind::Other);

    // Nothing claims a file without telemetry; the chip detection's answer stands.
    ByteSource plain = ByteSource::fromBytes(fixtures::alignedOneTrackFile({}).toBytes());
    QCOMPARE(readLayouts(plain, ReadContext()).status, ReadStatus::None);
}

void TestTelemetryLoad::ambarellaWithoutItsTextTrackStaysItsLayout()
{
    using namespace mp4fx;
    // An A7L recording cut to two tracks: the text track the chip reader reads is the third.
    // The sentences of the second are not another layout's.
    TrackPlan video;
    video.samples = {QByteArray(16, 'v'), QByteArray(16, 'v')};
    TrackPlan text;
    text.handler = "text";
    text.sampleEntry = "text";
    text.trackId = 2;
    text.samples = {textSample("$GPRMC,120000,A,2232.1234,N,11403.5678,E,10.0,90.0,010121,,*00"),
                    textSample("$GPRMC,120001,A,2232.1240,N,11403.5690,E,10.0,90.0,010121,,*00")};
    FilePlan plan;
    plan.tracks = {video, text};
    plan.moovExtra = {udtaBox("info", "AMBARELLA A7L")};
    const QByteArray bytes = buildMp4(plan);
    const TelemetryLoad a7l = loadTelemetry(write("a7l-two-tracks.mp4", bytes), nullptr);
    QCOMPARE(int(a7l.device), 2);
    QCOMPARE(a7l.layoutCode, 2);
    QVERIFY(a7l.samples.isEmpty());

    // The same tracks without the Ambarella mark are an ordinary NMEA text track.
    plan.moovExtra = {};
    const TelemetryLoad plainText = loadTelemetry(write("text-two-tracks.mp4", buildMp4(plan)), nullptr);
    QVERIFY(plainText.layoutCode > int(DeviceTorvenTrailer));
    QCOMPARE(plainText.samples.size(), 2);
}

void TestTelemetryLoad::layoutNamesComeFromTheTable()
{
    // Every code a reader gives has one name of its own; rows of one code carry it.
    QSet<QString> names;
    int count = 0;
    for (int code = 0; code < 100; ++code) {
        const QString name = layoutName(code);
        // The chip codes are all named, whether a reader belongs to them or not.
        if (code <= int(DeviceTorvenTrailer))
            QVERIFY(!name.isEmpty());
        if (!name.isEmpty()) {
            names << name;
            ++count;
        }
        QCOMPARE(freegps::variantName(code), code >= 10 && code <= 39 ? name : QString());
    }
    QCOMPARE(names.size(), count);
    int rowCount = 0;
    const LayoutRow *rows = layoutTable(&rowCount);
    for (int i = 0; i < rowCount; ++i) {
        if (rows[i].firstCode == rows[i].lastCode && rows[i].firstCode != 5)
            QCOMPARE(QString::fromLatin1(rows[i].name), layoutName(rows[i].firstCode));
    }
    // Layout 5 over a gps box reads the index at the file's end, and says so.
    QCOMPARE(deviceLayoutName(DeviceNovatekFrameTail, 0), layoutName(5));
    QVERIFY(deviceLayoutName(DeviceNovatekFrameTail, 4096) != layoutName(5));
    QCOMPARE(deviceLayoutName(DeviceNovatekMasked, 4096), layoutName(8));
}

QTEST_GUILESS_MAIN(TestTelemetryLoad)
#include "test_telemetry_load.moc"
