// The fuzz targets start from layoutSeeds(): every row of the layout table has a seed, which
// gives samples through its own row and through the table as the loader runs it, and fits the
// 80 KiB inputs of scripts/fuzz.sh (libFuzzer cuts a longer seed, and with it the moov at its
// end, or fuzzing that layout starts from nothing).

#include "bytesource.h"
#include "layout_seeds.h"

#include <QLoggingCategory>
#include <QtTest>

class TestFuzzSeeds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("default.debug=false"); }
    void everyRowHasASeed();
    void seedsGiveSamplesThroughTheirRow_data();
    void seedsGiveSamplesThroughTheirRow();
};

void TestFuzzSeeds::everyRowHasASeed()
{
    QSet<int> seeded;
    for (const LayoutSeed &seed : layoutSeeds())
        seeded.insert(seed.rowCode);
    int count = 0;
    const LayoutRow *rows = layoutTable(&count);
    for (int i = 0; i < count; ++i)
        QVERIFY2(seeded.contains(rows[i].firstCode), rows[i].name);
}

void TestFuzzSeeds::seedsGiveSamplesThroughTheirRow_data()
{
    QTest::addColumn<int>("index");
    const QList<LayoutSeed> seeds = layoutSeeds();
    for (int i = 0; i < seeds.size(); ++i)
        QTest::newRow(qPrintable(seeds[i].name)) << i;
}

void TestFuzzSeeds::seedsGiveSamplesThroughTheirRow()
{
    QFETCH(int, index);
    const LayoutSeed seed = layoutSeeds().at(index);
    QVERIFY2(seed.bytes.size() <= 80 * 1024, qPrintable(QString::number(seed.bytes.size())));
    const LayoutRow *row = layoutRow(seed.rowCode);
    QVERIFY(row != nullptr);

    ByteSource src = ByteSource::fromBytes(seed.bytes);
    const LayoutResult own = row->read(src, seedContext(seed, src));
    QCOMPARE(own.status, ReadStatus::Found);
    QVERIFY(!own.samples.isEmpty());
    // No row ahead of it takes the seed: the table gives it to its own row.
    const LayoutResult table = readLayouts(src, seedContext(seed, src));
    QVERIFY2(table.code >= row->firstCode && table.code <= row->lastCode,
             qPrintable(QStringLiteral("%1 (%2)").arg(table.code).arg(table.name)));
    QCOMPARE(table.samples.size(), own.samples.size());
}

QTEST_GUILESS_MAIN(TestFuzzSeeds)
#include "test_fuzz_seeds.moc"
