// Hostile recordings that the damage of test_layout_hostile cannot make: box sizes of 2 to 7,
// lying counts whose samples must survive, floods of boxes, sparse files of gigabytes, files
// that are no regular files. Every reader must finish quickly with a partial or empty result,
// never crash, loop or allocate from an untrusted count.

#include "assistfile.h"
#include "bytesource.h"
#include "telemetry_fixtures.h"
#include "telemetryloader.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace fixtures;

namespace {

const QByteArray rmc = "$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,A*57";

constexpr int k16MB = 16 << 20;

struct Loaded
{
    TelemetryLoad load;
    quint64 bytesRead = 0;
};

Loaded loadCounted(ByteSource &src)
{
    const quint64 before = ByteSource::totalBytesRead();
    Loaded r;
    r.load = loadTelemetry(src, nullptr);
    r.bytesRead = ByteSource::totalBytesRead() - before;
    return r;
}

QByteArray patchMoovSize(QByteArray bytes, quint32 size)
{
    const int moov = bytes.lastIndexOf("moov") - 4;
    bytes.replace(moov, 4, be32(size));
    return bytes;
}

} // namespace

class TestHostileFiles : public QObject
{
    Q_OBJECT
private slots:
    void sizeZeroAndSixtyFourBitBoxes();
    void shortBoxSizesEndTheWalk_data();
    void shortBoxSizesEndTheWalk();
    void hugeCountsAreCutToTheBox();
    void sampleCountIsBounded();
    void floodsOfBoxesAndCounts_data();
    void floodsOfBoxesAndCounts();
    void sparseGiantsReadLittle();
    void onlyRegularFilesAreOpened();
};

void TestHostileFiles::sizeZeroAndSixtyFourBitBoxes()
{
    const QByteArray file = alignedOneTrackFile({alignedBlock(1, 2, 3, rmc, "1"),
                                                 alignedBlock(4, 5, 6, rmc, "1")})
                                .toBytes();
    ByteSource plain = ByteSource::fromBytes(file);
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks(plain), 2);

    // The last box may say 0: "up to the end of the file".
    ByteSource zero = ByteSource::fromBytes(patchMoovSize(file, 0));
    QCOMPARE(f.readAlignedBlocks(zero), 2);
    QCOMPARE(f.samples().at(1).z, 0.006f);

    // A 64-bit size: the header grows by 8 bytes, the children follow it.
    QByteArray large = file;
    const int moov = large.lastIndexOf("moov") - 4;
    const quint32 moovSize = quint32(large.size() - moov);
    large.replace(moov, 8, be32(1) + "moov" + be32(0) + be32(moovSize + 8));
    ByteSource big = ByteSource::fromBytes(large);
    QCOMPARE(f.readAlignedBlocks(big), 2);
    QCOMPARE(f.samples().at(0).x, 0.001f);
}

void TestHostileFiles::shortBoxSizesEndTheWalk_data()
{
    QTest::addColumn<quint32>("size");
    for (quint32 s = 2; s <= 7; ++s)
        QTest::newRow(qPrintable(QString::number(s))) << s;
    QTest::newRow("past the file") << 0xFFFFFFFFu;
}

void TestHostileFiles::shortBoxSizesEndTheWalk()
{
    QFETCH(quint32, size);
    // The mdat box in front of moov says 2..7 or more than the file: the walk must stop, not
    // loop or step backwards.
    QByteArray bytes = alignedOneTrackFile({alignedBlock(1, 2, 3, rmc, "1")}).toBytes();
    bytes.replace(24, 4, be32(size));
    ByteSource cut = ByteSource::fromBytes(bytes);
    AssistFile walk;
    QCOMPARE(walk.readAlignedBlocks(cut), 0);
    QCOMPARE(walk.readFrameTailBlocks(cut), 0);
    QCOMPARE(walk.readTabTextTrack(cut), 0);
    // Inside moov: a child with size 3 ends the walk of moov's children.
    QByteArray inner = alignedOneTrackFile({alignedBlock(1, 2, 3, rmc, "1")}).toBytes();
    const int mvhd = inner.indexOf("mvhd") - 4;
    inner.replace(mvhd, 4, be32(3));
    ByteSource src = ByteSource::fromBytes(inner);
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks(src), 0);
}

void TestHostileFiles::hugeCountsAreCutToTheBox()
{
    QList<QByteArray> lines;
    for (int i = 0; i < 3; ++i)
        lines << tabLine(i, 0, 0, rmc);
    QByteArray bytes = tabTextTrackFile(lines).toBytes();
    // The text track's stco is the last stco in the file.
    const int stco = bytes.lastIndexOf("stco");
    bytes.replace(stco + 8, 4, be32(0xFFFFFFFF));
    ByteSource src = ByteSource::fromBytes(bytes);
    AssistFile f;
    QCOMPARE(f.readTabTextTrack(src), 3);

    QByteArray aligned = alignedOneTrackFile({alignedBlock(1, 2, 3, rmc, "1")}).toBytes();
    const int stsz = aligned.indexOf("stsz");
    aligned.replace(stsz + 12, 4, be32(0xFFFFFFFF));
    ByteSource a = ByteSource::fromBytes(aligned);
    QCOMPARE(f.readAlignedBlocks(a), 1);
}

void TestHostileFiles::sampleCountIsBounded()
{
    // 150000 table entries that all name the same block: the reader stops at its cap instead of
    // reading on for as long as the table lasts.
    const QByteArray block = indexedBlock(1, 2, 3, rmc);
    QByteArray table;
    table.reserve(150000 * 8);
    for (int i = 0; i < 150000; ++i)
        table += be32(16) + be32(280);
    ByteSource src = ByteSource::fromBytes(QByteArray(16, '\0') + block + table);
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &) {});
    AssistFile f;
    const int n = f.readIndexedBlocks(src, 150000);
    qInstallMessageHandler(previous);
    QCOMPARE(n, 100000);
    QCOMPARE(f.samples().last().z, 3.0f / 1024.0f);
}

void TestHostileFiles::floodsOfBoxesAndCounts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxSamples");
    QTest::addColumn<qint64>("maxBytesRead");
    for (const HostileShape &shape : hostileShapes(k16MB))
        QTest::newRow(shape.name) << shape.bytes << shape.maxSamples << shape.maxBytesRead;
}

void TestHostileFiles::floodsOfBoxesAndCounts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxSamples);
    QFETCH(qint64, maxBytesRead);
    QLoggingCategory::setFilterRules("default.debug=false");
    ByteSource src = ByteSource::fromBytes(bytes);
    const Loaded r = loadCounted(src);
    QLoggingCategory::setFilterRules(QString());
    qInfo("%d samples, %llu bytes read", int(r.load.samples.size()),
          static_cast<unsigned long long>(r.bytesRead));
    QVERIFY2(r.load.samples.size() <= maxSamples, qPrintable(QString::number(r.load.samples.size())));
    // What a walk or a reader reads is what it spends: bounded reads mean bounded time.
    QVERIFY2(qint64(r.bytesRead) <= maxBytesRead, qPrintable(QString::number(r.bytesRead)));
    for (int i = 1; i < r.load.samples.size(); ++i)
        QVERIFY(r.load.samples.at(i).timeMs >= r.load.samples.at(i - 1).timeMs);
}

void TestHostileFiles::sparseGiantsReadLittle()
{
    QTemporaryDir dir;
    QLoggingCategory::setFilterRules("default.debug=false");
    struct Giant
    {
        const char *name;
        SparseFile file;
        qint64 maxBytesRead;
    };
    SparseFile zeros;
    zeros.size = qint64(10) << 30;
    SparseFile mdat = zeros;
    // ftyp, then one mdat with a 64-bit size running to the end: no moov anywhere.
    mdat.put(0, box("ftyp", "isom" + be32(0)) + be32(1) + "mdat" + be32(2) + be32(0x7FFFFFF0));
    const QList<Giant> giants = {
        {"zeros-10G.mp4", zeros, 64 << 10},
        {"mdat-10G.mp4", mdat, 64 << 10},
        // 30 minutes of video without telemetry, with and without a udta text.
        {"plain-2G.mp4", plainRecordingFile(1800, 1200000), 1 << 20},
        {"plain-2G-udta.mp4", plainRecordingFile(1800, 1200000, "infoLavf58.76.100"), 1 << 20},
    };
    for (const Giant &g : giants) {
        const QString path = dir.filePath(g.name);
        QVERIFY(g.file.writeTo(path));
        ByteSource src(path);
        QVERIFY(src.isOpen());
        QVERIFY(src.size() >= qint64(2) << 30);
        const Loaded r = loadCounted(src);
        qInfo("%s: %llu bytes read", g.name, static_cast<unsigned long long>(r.bytesRead));
        QVERIFY2(r.load.samples.isEmpty(), g.name);
        QVERIFY2(qint64(r.bytesRead) <= g.maxBytesRead,
                 qPrintable(QStringLiteral("%1 read %2").arg(g.name).arg(r.bytesRead)));
    }
    QLoggingCategory::setFilterRules(QString());
}

void TestHostileFiles::onlyRegularFilesAreOpened()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.mp4");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Case
    {
        QString path;
        QString error;
    };
    const QList<Case> cases = {{fifo, "not a regular file"},
                               {QStringLiteral("/dev/zero"), "not a regular file"},
                               {dir.path(), "is a directory"}};
    for (const Case &c : cases) {
        // A FIFO without a writer would block a plain open for ever: this returns at once.
        ByteSource src(c.path);
        QVERIFY(!src.isOpen());
        QCOMPARE(src.errorString(), c.error);
        QCOMPARE(src.size(), 0);
        const TelemetryLoad load = loadTelemetry(c.path, nullptr);
        QCOMPARE(load.samples.size(), 0);
        QCOMPARE(load.error, c.error);
    }
    ByteSource missing(dir.filePath("missing.mp4"));
    QVERIFY(!missing.isOpen());
    QVERIFY(missing.errorString().contains("No such file"));
    const QString regular = dir.filePath("regular.bin");
    QFile file(regular);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("0123456789") == 10);
    file.close();
    ByteSource ok(regular);
    QVERIFY(ok.isOpen());
    QVERIFY(ok.errorString().isEmpty());
    QCOMPARE(ok.readAt(4, 3), QByteArray("456"));
    // A moved source keeps reading the same file.
    ByteSource moved(std::move(ok));
    QCOMPARE(moved.readAt(8, 5), QByteArray("89"));
    QVERIFY(!ok.isOpen());
}

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "test_hostile_files.moc"
