// The fuzz targets start from fixtures::fuzzSeeds(). Each layout seed is as short as its layout
// allows; it must still give its samples through its own reader, and fit the 80 KiB inputs of
// scripts/fuzz.sh (libFuzzer cuts a longer seed, and with it the moov at its end), or fuzzing
// that layout starts from nothing.

#include "assistfile.h"
#include "bytesource.h"
#include "telemetry_fixtures.h"

#include <QLoggingCategory>
#include <QtTest>
#include <functional>

class TestFuzzSeeds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("default.debug=false"); }
    void layoutSeedsGiveTheirSamples_data();
    void layoutSeedsGiveTheirSamples();
};

void TestFuzzSeeds::layoutSeedsGiveTheirSamples_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<int>("samples");
    // aligned1: its first block has no sentence and is held until the second has one.
    QTest::newRow("aligned1") << "aligned" << 2;
    QTest::newRow("aligned1-twicekey") << "aligned" << 1;
    QTest::newRow("aligned2") << "aligned" << 1;
    QTest::newRow("frametail") << "frame tail" << 2;
    QTest::newRow("tabtext") << "tab text" << 3;
    QTest::newRow("tabtext-keyed") << "tab text" << 3;
    QTest::newRow("trailer") << "trailer" << 3;
    QTest::newRow("indexed") << "indexed" << 3;
    QTest::newRow("indexed-v2") << "indexed v2" << 3;
    QTest::newRow("masked") << "masked" << 3;
}

void TestFuzzSeeds::layoutSeedsGiveTheirSamples()
{
    QFETCH(QString, reader);
    QFETCH(int, samples);
    QByteArray bytes;
    for (const auto &seed : fixtures::fuzzSeeds()) {
        if (seed.first == QLatin1String(QTest::currentDataTag()))
            bytes = seed.second;
    }
    QVERIFY(!bytes.isEmpty());
    QVERIFY2(bytes.size() <= 80 * 1024, qPrintable(QString::number(bytes.size())));

    ByteSource src = ByteSource::fromBytes(bytes);
    AssistFile f;
    const int count = uchar(bytes.at(0)); // as fuzz_readers takes it
    const QHash<QString, std::function<int()>> read = {
        {"aligned", [&] { return f.readAlignedBlocks(src); }},
        {"frame tail", [&] { return f.readFrameTailBlocks(src); }},
        {"tab text", [&] { return f.readTabTextTrack(src); }},
        {"trailer", [&] { return f.readTrailerRecords(src); }},
        {"indexed", [&] { return f.readIndexedBlocks(src, count); }},
        {"indexed v2", [&] { return f.readIndexedBlocksV2(src, count); }},
        {"masked", [&] { return f.readMaskedBlocks(src, count); }},
    };
    QCOMPARE(read.value(reader)(), samples);
    QVERIFY(f.samples().last().hasPosition);
}

QTEST_GUILESS_MAIN(TestFuzzSeeds)
#include "test_fuzz_seeds.moc"
