// The bounded byte source and the box-header reader that every raw reader stands on.

#include "bytesource.h"
#include "telemetry_fixtures.h"

#include <QTemporaryDir>
#include <QtTest>

using fixtures::be32;

class TestByteSource : public QObject
{
    Q_OBJECT
private slots:
    void readsAreClippedToTheFile();
    void wordsAndCounter();
    void missingFileIsNotOpen();
    void boxHeader_data();
    void boxHeader();
    void wordTableStaysInsideItsRange();
    void rangeArithmeticDoesNotOverflow();
};

void TestByteSource::readsAreClippedToTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("録画 ü.bin"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("0123456789");
    f.close();

    ByteSource src(path);
    QVERIFY(src.isOpen());
    QCOMPARE(src.size(), qint64(10));
    char buf[16] = {};
    QCOMPARE(src.readAt(8, buf, 16), qint64(2));
    QCOMPARE(QByteArray(buf, 2), QByteArray("89"));
    QCOMPARE(src.readAt(10, buf, 1), qint64(0));
    QCOMPARE(src.readAt(-1, buf, 4), qint64(0));
    QCOMPARE(src.readAt(std::numeric_limits<qint64>::max(), buf, 4), qint64(0));
    QCOMPARE(src.readAt(3, std::numeric_limits<qint64>::max()), QByteArray("3456789"));
    QCOMPARE(src.readAt(0, 0), QByteArray());
}

void TestByteSource::wordsAndCounter()
{
    ByteSource src = ByteSource::fromBytes(QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    ByteSource::resetTotalBytesRead();
    quint32 v32 = 0;
    quint16 v16 = 0;
    quint64 v64 = 0;
    QVERIFY(src.readU32BE(0, &v32));
    QCOMPARE(v32, 0x01020304u);
    QVERIFY(src.readU32LE(0, &v32));
    QCOMPARE(v32, 0x04030201u);
    QVERIFY(src.readU16BE(6, &v16));
    QCOMPARE(v16, quint16(0x0708));
    QVERIFY(src.readU16LE(6, &v16));
    QCOMPARE(v16, quint16(0x0807));
    QVERIFY(src.readU64BE(0, &v64));
    QCOMPARE(v64, Q_UINT64_C(0x0102030405060708));
    QCOMPARE(ByteSource::totalBytesRead(), quint64(4 + 4 + 2 + 2 + 8));
    v32 = 0xDEADBEEF;
    QVERIFY(!src.readU32BE(5, &v32)); // only three bytes left
    QCOMPARE(v32, 0xDEADBEEFu);
    QVERIFY(!src.readU64BE(1, &v64));
}

void TestByteSource::missingFileIsNotOpen()
{
    ByteSource src(QStringLiteral("/nonexistent/zevidud/file.mp4"));
    QVERIFY(!src.isOpen());
    QCOMPARE(src.size(), qint64(0));
    char c;
    QCOMPARE(src.readAt(0, &c, 1), qint64(0));
}

void TestByteSource::boxHeader_data()
{
    // Each row in both modes: a box that must fit (Whole) and one that is cut to the limit
    // (Clip); -1 for "no box".
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<qint64>("size");     // BoxFit::Whole
    QTest::addColumn<qint64>("clipSize"); // BoxFit::Clip
    QTest::addColumn<qint64>("header");
    const QByteArray pad(32, 'x');
    const qint64 none = -1;
    QTest::newRow("plain") << be32(16) + "free" + pad << qint64(40) << qint64(16) << qint64(16)
                           << qint64(8);
    QTest::newRow("size 0 runs to limit") << be32(0) + "mdat" + pad << qint64(30) << qint64(30)
                                          << qint64(30) << qint64(8);
    QTest::newRow("size 1 with 64-bit size")
        << be32(1) + "mdat" + be32(0) + be32(24) + pad << qint64(40) << qint64(24) << qint64(24)
        << qint64(16);
    QTest::newRow("64-bit size below header") << be32(1) + "mdat" + be32(0) + be32(15) + pad
                                              << qint64(40) << none << none << qint64(16);
    QTest::newRow("64-bit size huge") << be32(1) + "mdat" + be32(0xFFFFFFFF) + be32(0) + pad
                                      << qint64(40) << none << qint64(40) << qint64(16);
    for (int s = 2; s <= 7; ++s)
        QTest::newRow(qPrintable(QString("size %1").arg(s)))
            << be32(quint32(s)) + "free" + pad << qint64(40) << none << none << qint64(8);
    QTest::newRow("does not fit parent") << be32(41) + "free" + pad << qint64(40) << none
                                         << qint64(40) << qint64(8);
    QTest::newRow("beyond file, limit larger") << be32(0xFFFFFFF0) + "free" + pad
                                               << qint64(60) << none << qint64(40) << qint64(8);
    QTest::newRow("copyright-sign type cut short") << be32(99) + "\xa9nam" + pad << qint64(40)
                                                   << none << qint64(40) << qint64(8);
    // Trailing bytes that are no box never become one by being clipped.
    QTest::newRow("past limit, type no box") << be32(41) + QByteArray("\x01gps", 4) + pad
                                             << qint64(40) << none << none << qint64(8);
    QTest::newRow("short header") << QByteArray("\0\0\0", 3) << qint64(3) << none << none
                                  << qint64(8);
}

void TestByteSource::boxHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, limit);
    QFETCH(qint64, size);
    QFETCH(qint64, clipSize);
    QFETCH(qint64, header);
    ByteSource src = ByteSource::fromBytes(bytes);
    const QList<QPair<BoxFit, qint64>> modes = {{BoxFit::Whole, size}, {BoxFit::Clip, clipSize}};
    for (const auto &mode : modes) {
        BoxHeader h;
        QCOMPARE(readBoxHeader(src, 0, limit, &h, mode.first), mode.second >= 0);
        if (mode.second < 0)
            continue;
        QCOMPARE(h.size, mode.second);
        QCOMPARE(h.headerSize, header);
        QCOMPARE(h.end(), h.size);
        QVERIFY(h.payload().end <= std::min<qint64>(limit, bytes.size()));
        // Clipped exactly when the box says more than it was given.
        QCOMPARE(h.clipped, mode.second != size);
    }
}

void TestByteSource::wordTableStaysInsideItsRange()
{
    QByteArray bytes;
    for (quint32 i = 0; i < 10000; ++i)
        bytes += be32(i);
    ByteSource src = ByteSource::fromBytes(bytes);
    WordTableReader table(src, ByteRange{400, 800}, 64);
    quint32 v = 0;
    QVERIFY(table.u32At(400, &v));
    QCOMPARE(v, 100u);
    QVERIFY(table.u32At(796, &v));
    QCOMPARE(v, 199u);
    QVERIFY(table.u32At(500, &v)); // going back re-reads
    QCOMPARE(v, 125u);
    QVERIFY(!table.u32At(797, &v));
    QVERIFY(!table.u32At(396, &v));
}

void TestByteSource::rangeArithmeticDoesNotOverflow()
{
    const ByteRange r{10, 100};
    QVERIFY(r.contains(10, 90));
    QVERIFY(!r.contains(10, 91));
    QVERIFY(!r.contains(50, std::numeric_limits<qint64>::max()));
    QVERIFY(!r.contains(std::numeric_limits<qint64>::max(), 1));
    QCOMPARE(r.sub(90, 1000).end, qint64(100));
    QCOMPARE(r.sub(5, 10).begin, qint64(10));
    QCOMPARE(r.intersected(ByteRange{50, 200}).size(), qint64(50));
    QVERIFY(r.intersected(ByteRange{200, 300}).isEmpty());
}

QTEST_GUILESS_MAIN(TestByteSource)
#include "test_bytesource.moc"
