// Readers that walk the MP4 box tree: layout 4 (one and two tracks), layout 5 (frame tail) and
// layouts 1/2 (tab text track), each on whole files made by the fixture writer.

#include "assistfile.h"
#include "bytesource.h"
#include "geo.h"
#include "mp4/boxwalkreaders.h"
#include "mp4/mp4atomtree.h"
#include "telemetry_fixtures.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

using namespace fixtures;

namespace {

const QByteArray rmcA = "$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,A*57";
const QByteArray rmcB = "$GNRMC,1,A,2232.1234,S,11403.1234,W,54.0,400,010120";
const QByteArray ggaC = "$GPGGA,123519,4807.0381,N,01131.0002,E,1,08,0.9,545.4,M,46.9,M,,*47";

} // namespace

class TestBoxWalkReaders : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void alignedOneTrack();
    void alignedTwoTracks();
    void alignedFirstSentenceLater();
    void alignedShiftByKeyOrTwiceKey();
    void alignedBytesAfterStoredCrLfAreKept();
    void alignedGlitchZeroesAllAxes();
    void alignedPositionsFollowFrameEnds();
    void frameTail();
    void frameTailNeedsFrameRate();
    void frameTailLongFirstUnitsAndOneSentence();
    void tabTextTrackPlainLines();
    void tabTextTrackKeyedLines();
    void tabTextTrackHoldsAtMostTwenty();
    void tabTextTrackNeedsThreeTracks();
    void badPathsGiveMinusOne();
    void overTheLoadsTree_data();
    void overTheLoadsTree();

private:
    QString write(const SparseFile &f, const char *name)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        if (!f.writeTo(path))
            qFatal("cannot write fixture %s", name);
        return path;
    }
    QTemporaryDir m_dir;
};

void TestBoxWalkReaders::alignedOneTrack()
{
    const QList<QByteArray> blocks = {alignedBlock(120, -35, 981, rmcA, "12345678"),
                                      alignedBlock(-9000, 20, 1000, ggaC, "00000001"),
                                      alignedBlock(0, 0, 0, rmcB, "99999999")};
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks(write(alignedOneTrackFile(blocks), "a1.mp4")), 3);
    QCOMPARE(f.samplesPerSecond, 30);
    const AssistInfoList &s = f.samples();
    QCOMPARE(s.at(0).x, 0.12f);
    QCOMPARE(s.at(0).y, -0.035f);
    QCOMPARE(s.at(0).z, 0.981f);
    QCOMPARE(s.at(0).latitude, QString("47.2852395"));
    QCOMPARE(s.at(0).longitude, QString("8.5652536"));
    QCOMPARE(s.at(0).speed, 18);
    QCOMPARE(s.at(0).course, 77.52);
    QCOMPARE(s.at(1).x, -9.0f);
    QCOMPARE(s.at(1).latitude, QString("48.117301"));
    QCOMPARE(s.at(1).speed, 0); // GGA has no speed
    QCOMPARE(s.at(2).latitude, QString("-22.535390"));
    QCOMPARE(s.at(2).longitude, QString("-114.052056"));
    QCOMPARE(s.at(2).speed, 100);
    QCOMPARE(s.at(2).course, 0.0);
}

void TestBoxWalkReaders::alignedTwoTracks()
{
    QList<QByteArray> blocks;
    for (int i = 0; i < 5; ++i)
        blocks.append(alignedBlock(i * 10, i * 20, 1000 - i, rmcA, "31415926", i % 2));
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks(write(alignedTwoTrackFile(blocks), "a2.mp4")), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(f.samples().at(i).x, float(i * 10) / 1000.0f);
        QCOMPARE(f.samples().at(i).z, float(1000 - i) / 1000.0f);
        QCOMPARE(f.samples().at(i).latitude, QString("47.2852395"));
    }
}

void TestBoxWalkReaders::alignedFirstSentenceLater()
{
    // Blocks before the first sentence wait and become samples once it comes, in their order;
    // with the debug log on (every block narrated as it comes) the samples are the same.
    QList<QByteArray> blocks;
    blocks << alignedBlock(10, 20, 30, QByteArray(), "31415926")
           << alignedBlock(40, 50, 60, "$GPRM,1,A,2232.1234,N", "27182818", false)
           << alignedBlock(70, 80, 90, rmcA, "16180339") << alignedBlock(1, 2, 3, "x", "31415926")
           << alignedBlock(4, 5, 6, rmcB, "14142135", false);
    QList<QByteArray> none = blocks;
    none[2] = alignedBlock(70, 80, 90, "GPRMC,1,A,2232.1234,N", "16180339");
    none[4] = alignedBlock(4, 5, 6, QByteArray(), "14142135");
    const QString path = write(alignedTwoTrackFile(blocks), "later.mp4");
    const QString nonePath = write(alignedTwoTrackFile(none), "none.mp4");
    for (const bool debug : {false, true}) {
        QLoggingCategory::setFilterRules(debug ? "default.debug=true" : "default.debug=false");
        AssistFile f;
        QCOMPARE(f.readAlignedBlocks(path), 5);
        const AssistInfoList &s = f.samples();
        QCOMPARE(s.at(0).x, 0.01f);
        QCOMPARE(s.at(0).timeMs, qint64(0));
        QVERIFY(s.at(0).latitude.isEmpty());
        QCOMPARE(s.at(1).y, 0.05f);
        QVERIFY(!s.at(1).hasPosition);
        QCOMPARE(s.at(2).z, 0.09f);
        QCOMPARE(s.at(2).latitude, QString("47.2852395"));
        QCOMPARE(s.at(3).timeMs, qint64(3000));
        QCOMPARE(s.at(4).latitude, QString("-22.535390"));
        QCOMPARE(f.readAlignedBlocks(nonePath), 0);
        QVERIFY(f.samples().isEmpty());
    }
    QLoggingCategory::setFilterRules(QString());
}

void TestBoxWalkReaders::alignedShiftByKeyOrTwiceKey()
{
    // Same text, once stored with the key and once with twice the key: both must decode.
    AssistFile f;
    const QString path = write(alignedOneTrackFile({alignedBlock(1, 2, 3, rmcA, "55555555", true),
                                                    alignedBlock(1, 2, 3, rmcA, "55555555", false)}),
                               "shift.mp4");
    QCOMPARE(f.readAlignedBlocks(path), 2);
    QCOMPARE(f.samples().at(0).longitude, QString("8.5652536"));
    QCOMPARE(f.samples().at(1).longitude, QString("8.5652536"));

    // A block read with the wrong shift does not parse: check the choice is not an accident.
    QByteArray wrong = alignedBlock(1, 2, 3, rmcA, "55555555", true);
    wrong[88] = char(wrong.at(88) + 1); // check character no longer unshifts to a space
    QCOMPARE(f.readAlignedBlocks(write(alignedOneTrackFile({wrong, alignedBlock(1, 2, 3, rmcA,
                                                                             "55555555", true)}),
                                       "wrong.mp4")),
             2);
    QVERIFY(f.samples().at(0).longitude.isEmpty());
    QVERIFY(!f.samples().at(0).hasPosition);
    QVERIFY(f.samples().at(1).hasPosition);
    // Alone, the undecodable block holds no sentence: no telemetry at all, not a G sample.
    QCOMPARE(f.readAlignedBlocks(write(alignedOneTrackFile({wrong}), "wrong1.mp4")), 0);
}

void TestBoxWalkReaders::alignedBytesAfterStoredCrLfAreKept()
{
    QByteArray b = alignedBlock(1, 2, 3, "$GPRMC,1,A,2232.1234,N,11403.1234,E,1,2", "11111111");
    const int crlf = b.indexOf("\r\n", 88);
    QVERIFY(crlf > 88);
    // Garbage after CR LF must stay as stored: put a comma-separated tail that would become a
    // different sentence if it were shifted.
    b.replace(crlf + 2, 3, ",9,");
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks(write(alignedOneTrackFile({b}), "crlf.mp4")), 1);
    QCOMPARE(f.samples().at(0).latitude, QString("22.535390"));
    QCOMPARE(f.samples().at(0).course, 2.0);
}

void TestBoxWalkReaders::alignedGlitchZeroesAllAxes()
{
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks(write(alignedOneTrackFile({alignedBlock(10001, 5, 5, rmcA, "1"),
                                                            alignedBlock(10000, -10000, 5, rmcA, "1")}),
                                       "glitch.mp4")),
             2);
    QCOMPARE(f.samples().at(0).x, 0.0f);
    QCOMPARE(f.samples().at(0).y, 0.0f);
    QCOMPARE(f.samples().at(0).z, 0.0f);
    QCOMPARE(f.samples().at(1).x, 10.0f);
    QCOMPARE(f.samples().at(1).y, -10.0f);
}

void TestBoxWalkReaders::alignedPositionsFollowFrameEnds()
{
    // Move each block by 32 KiB: the reader must no longer find it (the position is computed
    // from the tables, not searched for).
    const SparseFile good = alignedOneTrackFile({alignedBlock(7, 7, 7, rmcA, "1")});
    SparseFile moved;
    for (const auto &p : good.pieces)
        moved.put(p.second.size() == 232 ? p.first + 32768 : p.first, p.second);
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks(write(good, "good.mp4")), 1);
    QCOMPARE(f.samples().at(0).x, 0.007f);
    f.readAlignedBlocks(write(moved, "moved.mp4"));
    for (const AssistInfo &s : f.samples())
        QVERIFY(s.x != 0.007f);
}

void TestBoxWalkReaders::frameTail()
{
    QList<QByteArray> blocks;
    blocks << frameTailBlock(900, 100, 1000, rmcA) << frameTailBlock(20000, 1, 1, ggaC)
           << frameTailBlock(800, 2, 3, rmcB) << frameTailBlock(1, 1, 1, rmcA);
    AssistFile f;
    QCOMPARE(f.readFrameTailBlocks(write(frameTailFile(blocks), "ft.mp4")), 4);
    QCOMPARE(f.samplesPerSecond, 30);
    const AssistInfoList &s = f.samples();
    QCOMPARE(s.at(0).x, 0.1f);
    QCOMPARE(s.at(0).y, 0.1f);
    QCOMPARE(s.at(0).latitude, QString("47.2852395"));
    QCOMPARE(s.at(1).x, -0.8f); // glitch: all axes zero, then the X offset
    QCOMPARE(s.at(1).y, 0.0f);
    QCOMPARE(s.at(1).longitude, QString("11.516670"));
    QCOMPARE(s.at(2).x, 0.0f);
    QCOMPARE(s.at(2).speed, 100);
    // The final sample carries the firmware's fixed reading, its position is real.
    QCOMPARE(s.at(3).x, 0.023f);
    QCOMPARE(s.at(3).y, 0.15f);
    QCOMPARE(s.at(3).z, 0.096f);
    QCOMPARE(s.at(3).latitude, QString("47.2852395"));
}

void TestBoxWalkReaders::frameTailNeedsFrameRate()
{
    // A duration of 0 leaves the frame rate undefined: no samples, no crash.
    QByteArray bytes = frameTailFile({frameTailBlock(1, 1, 1, rmcA)}).toBytes();
    const int mdhd = bytes.indexOf("mdhd");
    QVERIFY(mdhd > 0);
    bytes.replace(mdhd + 4 + 16, 4, be32(0));
    ByteSource src = ByteSource::fromBytes(bytes);
    AssistFile f;
    QCOMPARE(f.readFrameTailBlocks(src), 0);
    QCOMPARE(f.samplesPerSecond, 0);
}

void TestBoxWalkReaders::frameTailLongFirstUnitsAndOneSentence()
{
    // Seconds 64 KiB apart; each block is found by its sentence and then rewritten: long first
    // NAL units put some blocks (and the bytes that tell a sentence) far past the chunk start.
    const QList<QByteArray> marks = {"$GPRMC,0,A,1.0,N,1.0,E,0,0,010120",
                                     "$GPRMC,1,A,1.0,N,1.0,E,0,0,010120",
                                     "$GPRMC,2,A,1.0,N,1.0,E,0,0,010120",
                                     "$GPRMC,3,A,1.0,N,1.0,E,0,0,010120"};
    QList<QByteArray> blocks;
    for (const QByteArray &m : marks)
        blocks << frameTailBlock(0, 0, 0, m);
    const QByteArray original = frameTailFile(blocks, 1 << 16).toBytes();
    // Moves block s (NAL length 100 + s % 7 in the writer) by extra bytes and stores content.
    auto rewrite = [&](QByteArray *bytes, int s, quint32 extra, const QByteArray &content) {
        const int at = original.indexOf(marks.at(s)) - 89;
        const quint32 nal = 100 + quint32(s % 7);
        const int chunk = at - 48 - int(nal) - 4;
        bytes->replace(at, 232, QByteArray(232, '\0'));
        bytes->replace(chunk, 4, be32(nal + extra));
        if (!content.isEmpty())
            bytes->replace(at + int(extra), content.size(), content);
    };
    QByteArray bytes = original;
    rewrite(&bytes, 0, 2000, frameTailBlock(100, 200, 300, QByteArray()));
    rewrite(&bytes, 1, 0, frameTailBlock(400, 500, 600, QByteArray()));
    rewrite(&bytes, 3, 0x7FFFFFF0u, QByteArray()); // points past the end of the file
    QByteArray withSentence = bytes;
    rewrite(&withSentence, 2, 3000, frameTailBlock(700, 800, 900, rmcA));
    rewrite(&bytes, 2, 3000, frameTailBlock(700, 800, 900, "GPRMC,2,A,1.0,N,1.0,E"));

    AssistFile f;
    ByteSource src = ByteSource::fromBytes(withSentence);
    // One sentence anywhere makes every block a sample; the block past the end gives none.
    QCOMPARE(f.readFrameTailBlocks(src), 3);
    const AssistInfoList &s = f.samples();
    QCOMPARE(s.at(0).x, -0.7f);
    QCOMPARE(s.at(0).z, 0.3f);
    QVERIFY(s.at(0).latitude.isEmpty());
    QCOMPARE(s.at(1).y, 0.5f);
    QCOMPARE(s.at(1).timeMs, qint64(1000));
    QCOMPARE(s.at(2).y, 0.8f);
    QCOMPARE(s.at(2).latitude, QString("47.2852395"));
    QVERIFY(s.at(2).hasPosition);

    ByteSource none = ByteSource::fromBytes(bytes);
    QCOMPARE(f.readFrameTailBlocks(none), 0);
}

void TestBoxWalkReaders::tabTextTrackPlainLines()
{
    const QByteArray rmc = "$GPRMC,1,A,2232.1234,N,11403.1234,E,10.0,5,010120*00";
    AssistFile f;
    QCOMPARE(f.readTabTextTrack(write(tabTextTrackFile({tabLine(120, -35, 981, rmc),
                                                        tabLine(1, 2, 3, "junk")}),
                                      "tab.mp4")),
             2);
    QCOMPARE(f.samples().at(0).x, 0.12f);
    QCOMPARE(f.samples().at(0).y, -0.035f);
    QCOMPARE(f.samples().at(0).latitude, QString("22.535390"));
    QCOMPARE(f.samples().at(0).speed, 18);
    QCOMPARE(f.samples().at(1).z, 0.003f);
    QVERIFY(f.samples().at(1).latitude.isEmpty());
}

void TestBoxWalkReaders::tabTextTrackKeyedLines()
{
    const QByteArray rmc = "$GPRMC,1,A,2232.1234,N,11403.1234,E,10.0,5,010120*00";
    const int key = 1 + 2 + 3 + 4 + 5 + 5 + 6 + 7 + 8 + 8;
    // Two lines before the key record, one after: all three decode with the key.
    const QList<QByteArray> lines = {shiftedLine(tabLine(100, 200, 300, rmc), key),
                                     shiftedLine(tabLine(101, 201, 301, rmc), key),
                                     tabKeyRecord("12345678"),
                                     shiftedLine(tabLine(102, 202, 302, rmc), key)};
    AssistFile f;
    QCOMPARE(f.readTabTextTrack(write(tabTextTrackFile(lines), "key.mp4")), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(f.samples().at(i).x, float(100 + i) / 1000.0f);
        QCOMPARE(f.samples().at(i).latitude, QString("22.535390"));
    }
}

void TestBoxWalkReaders::tabTextTrackHoldsAtMostTwenty()
{
    const QByteArray rmc = "$GPRMC,1,A,2232.1234,N,11403.1234,E,1,5";
    QList<QByteArray> lines;
    for (int i = 0; i < 25; ++i)
        lines << shiftedLine(tabLine(i, 0, 0, rmc), 10);
    lines << tabKeyRecord("00000005"); // key 5 + 5 = 10
    AssistFile f;
    QCOMPARE(f.readTabTextTrack(write(tabTextTrackFile(lines), "held.mp4")), 20);
    QCOMPARE(f.samples().first().x, 0.0f);
    QCOMPARE(f.samples().last().x, 0.019f);
    QCOMPARE(f.samples().last().latitude, QString("22.535390"));
}

void TestBoxWalkReaders::tabTextTrackNeedsThreeTracks()
{
    const QList<QByteArray> lines = {tabLine(1, 2, 3, "$GPRMC,1,A,2232.1234,N,11403.1234,E,1,5")};
    AssistFile f;
    QCOMPARE(f.readTabTextTrack(write(tabTextTrackFile(lines, 2), "two.mp4")), 0);
    QCOMPARE(f.readTabTextTrack(write(tabTextTrackFile(lines, 4), "four.mp4")), 0); // 3rd is video
    QCOMPARE(f.readTabTextTrack(write(tabTextTrackFile(lines, 3), "three.mp4")), 1);
}

void TestBoxWalkReaders::badPathsGiveMinusOne()
{
    AssistFile f;
    QCOMPARE(f.readAlignedBlocks("a.b"), -1);
    QCOMPARE(f.readFrameTailBlocks(m_dir.filePath("missing.mp4")), -1);
    QCOMPARE(f.readTabTextTrack(m_dir.filePath("missing.mp4")), -1);
    QCOMPARE(f.samples().size(), 0);
}

void TestBoxWalkReaders::overTheLoadsTree_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("layout");
    QTest::addColumn<qint64>("firstUtcMs"); // of the first of the two samples: its sentence's
    // rmcA: 08:35:59 on 9 December 2002, as the receiver reported it.
    const qint64 rmcTime = geo::utcMs(2002, 12, 9, 8, 35, 59);
    QTest::newRow("4, one track")
        << alignedOneTrackFile({alignedBlock(1, 2, 3, rmcA, "12345678"),
                                alignedBlock(4, 5, 6, ggaC, "12345678")}).toBytes()
        << 4 << rmcTime;
    QTest::newRow("4, two tracks, no date")
        << alignedTwoTrackFile({alignedBlock(1, 2, 3, ggaC, "1"), alignedBlock(1, 2, 3, rmcB, "1")})
               .toBytes()
        << 4 << qint64(-1);
    QTest::newRow("5")
        << frameTailFile({frameTailBlock(900, 1, 1, rmcA), frameTailBlock(1, 1, 1, rmcB)}).toBytes()
        << 5 << rmcTime;
    QTest::newRow("1/2")
        << tabTextTrackFile({tabLine(1, 2, 3, rmcA), tabLine(4, 5, 6, rmcB)}).toBytes() << 1
        << rmcTime;
}

void TestBoxWalkReaders::overTheLoadsTree()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, layout);
    ByteSource src = ByteSource::fromBytes(bytes);
    Mp4AtomTree tree;
    QVERIFY(tree.walk(src));
    AssistFile own;
    AssistInfoList shared;
    int fps = -1;
    const int n = layout == 4 ? boxwalk::readAlignedBlocks(src, tree, &shared, &fps)
        : layout == 5         ? boxwalk::readFrameTailBlocks(src, tree, &shared, &fps)
                              : boxwalk::readTabTextTrack(src, tree, &shared, &fps);
    QCOMPARE(n, 2);
    QCOMPARE(layout == 4 ? own.readAlignedBlocks(src)
                 : layout == 5 ? own.readFrameTailBlocks(src) : own.readTabTextTrack(src), n);
    QCOMPARE(fps, own.samplesPerSecond);
    for (int i = 0; i < n; ++i) {
        const AssistInfo &a = own.samples().at(i);
        const AssistInfo &b = shared.at(i);
        QCOMPARE(b.x, a.x);
        QCOMPARE(b.latitude, a.latitude);
        QCOMPARE(b.utcMs, a.utcMs);
    }
    QTEST(shared.first().utcMs, "firstUtcMs");
    QCOMPARE(shared.first().utcClock,
             shared.first().utcMs < 0 ? AssistInfo::Clock::None : AssistInfo::Clock::Gps);
    // A date-less sentence (rmcB's time is no time of day) leaves the moment unknown.
    QCOMPARE(shared.last().utcMs, qint64(-1));
}

QTEST_GUILESS_MAIN(TestBoxWalkReaders)
#include "test_boxwalk_readers.moc"
