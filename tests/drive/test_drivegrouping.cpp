// Grouping library entries into drives, channel letters and partner files.

#include "drivegrouping.h"
#include "recordingtime.h"

#include <QtTest>

namespace {

// "name seconds" per entry: the start comes from the name, else from the file time, which is
// the same for all (they were copied at one moment); the channel from its letter.
QList<LibraryEntry> entriesOf(const QStringList &rows)
{
    const QDateTime copied(QDate(2020, 6, 1), QTime(9, 0));
    QList<LibraryEntry> entries;
    for (const QString &row : rows) {
        const QStringList parts = row.split(QLatin1Char(' '));
        LibraryEntry e;
        e.path = QStringLiteral("/cam/") + parts.at(0);
        e.channel = channelOfName(parts.at(0));
        e.durationMs = qint64(parts.at(1).toDouble() * 1000);
        e.startMs = recordingStartTime(parts.at(0), copied, e.durationMs).toMSecsSinceEpoch();
        entries.append(e);
    }
    return entries;
}

// Drives as "0 1 2|3": entry indices, drives separated by "|".
QString drivesText(const QList<QList<int>> &drives)
{
    QStringList out;
    for (const QList<int> &drive : drives) {
        QStringList clips;
        for (int clip : drive)
            clips.append(QString::number(clip));
        out.append(clips.join(QLatin1Char(' ')));
    }
    return out.join(QLatin1Char('|'));
}

} // namespace

class TestDriveGrouping : public QObject
{
    Q_OBJECT
private slots:
    void grouping_data();
    void grouping();
    void gapLimitsAreParameters();
    void channelLetters_data();
    void channelLetters();
    void partners();
};

void TestDriveGrouping::grouping_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("drives");

    QTest::newRow("empty library") << QStringList() << "";
    QTest::newRow("three consecutive clips")
        << QStringList{"20200101_120000_0001F.MP4 60", "20200101_120100_0002F.MP4 60",
                       "20200101_120200_0003F.MP4 60"}
        << "0 1 2";
    QTest::newRow("gap of exactly 10 s continues, 11 s does not")
        << QStringList{"20200101_120000_F.MP4 60", "20200101_120110_F.MP4 60",
                       "20200101_120221_F.MP4 60"}
        << "0 1|2";
    QTest::newRow("missing clip splits the drive")
        << QStringList{"2021_0101_120000_001A.MP4 60", "2021_0101_120100_002A.MP4 60",
                       "2021_0101_120300_004A.MP4 60"}
        << "0 1|2";
    QTest::newRow("midnight")
        << QStringList{"20201231_235900_F.MP4 60", "20210101_000000_F.MP4 60",
                       "20210101_000100_F.MP4 30"}
        << "0 1 2";
    QTest::newRow("unsorted input comes out in recording order")
        << QStringList{"20200101_120200_F.MP4 60", "20200101_120000_F.MP4 60",
                       "20200101_120100_F.MP4 60"}
        << "1 2 0";
    QTest::newRow("a whole-second name overlaps the previous clip's fraction")
        << QStringList{"20200101_120000_F.MP4 60.9", "20200101_120100_F.MP4 60"} << "0 1";
    QTest::newRow("overlap beyond a second or two is another camera")
        << QStringList{"20200101_120000_F.MP4 60", "20200101_120030_F.MP4 60"} << "0|1";
    QTest::newRow("front and rear in one folder: one drive each, front first")
        << QStringList{"20200101_120000_0001R.MP4 60", "20200101_120000_0001F.MP4 60",
                       "20200101_120100_0002R.MP4 60", "20200101_120100_0002F.MP4 60"}
        << "1 3|0 2";
    QTest::newRow("three cameras")
        << QStringList{"2021_0101_120000_001A.MP4 60", "2021_0101_120000_001B.MP4 60",
                       "2021_0101_120000_001C.MP4 60", "2021_0101_120100_002C.MP4 60",
                       "2021_0101_120100_002A.MP4 60"}
        << "0 4|1|2 3";
    // Two cameras without channel letters writing into one folder: equal times never chain,
    // and each later clip continues the camera whose clip ended where it starts.
    QTest::newRow("equal times of two unlettered cameras")
        << QStringList{"20200101_120000_cam1.mp4 60", "20200101_120000_cam2.mp4 60",
                       "20200101_120100_cam1.mp4 60", "20200101_120100_cam2.mp4 60"}
        << "0 2|1 3";
    QTest::newRow("interleaved unlettered cameras")
        << QStringList{"20200101_120000_x.mp4 60", "20200101_120030_y.mp4 60",
                       "20200101_120100_x.mp4 60", "20200101_120130_y.mp4 60"}
        << "0 2|1 3";
    // Cameras of other makers, copied at one moment: no times in the names, and lengths that
    // could not be read, so each starts at the file time. Same-looking names (GOPR, YDXJ) are
    // still two cameras: equal starts never chain.
    QTest::newRow("five cameras copied at once")
        << QStringList{"GOPR0001.MP4 0", "YDXJ0001.MP4 0", "IMG_0001.MOV 0", "DSCF0001.MOV 0",
                       "MOVI0001.AVI 0"}
        << "0|1|2|3|4";
    QTest::newRow("same channel and times, other naming: two cameras")
        << QStringList{"20200101_120000_F.MP4 60", "20200101_120100_0001F.MP4 60"} << "0|1";
    QTest::newRow("mode letters and prefixes of one camera keep its drive")
        << QStringList{"20240101_120000_NF.mp4 60", "20240101_120100_EF.mp4 60",
                       "NO20240101-120300-000001F.MP4 60", "EV20240101-120400-000002F.MP4 60",
                       "20240101_120200_PF.mp4 60"}
        << "0 1 4|2 3";
    QTest::newRow("a later drive of the same camera after a stop")
        << QStringList{"20200101_180000_F.MP4 60", "20200101_120000_F.MP4 60",
                       "20200101_120100_F.MP4 60"}
        << "1 2|0";
}

void TestDriveGrouping::grouping()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, drives);
    const QList<LibraryEntry> entries = entriesOf(rows);
    const QList<QList<int>> grouped = groupDrives(entries);
    QCOMPARE(drivesText(grouped), drives);
    for (int i = 0; i < entries.size(); ++i)
        QVERIFY(driveOfEntry(grouped, i) >= 0);
    QCOMPARE(driveOfEntry(grouped, entries.size()), -1);
}

void TestDriveGrouping::gapLimitsAreParameters()
{
    const QList<LibraryEntry> entries = entriesOf(
        {"20200101_120000_F.MP4 60", "20200101_120130_F.MP4 60", "20200101_120225_F.MP4 60"});
    QCOMPARE(drivesText(groupDrives(entries)), QStringLiteral("0|1|2"));
    QCOMPARE(drivesText(groupDrives(entries, 30000)), QStringLiteral("0 1|2"));
    QCOMPARE(drivesText(groupDrives(entries, 30000, 5000)), QStringLiteral("0 1 2"));
}

void TestDriveGrouping::channelLetters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("viofo") << "2021_0101_120000_001A.MP4" << "A" << "2021_0101_120000_001.mp4"
                           << "#_#_#_#a.mp4";
    QTest::newRow("novatek") << "NO20211231-235930-000042R.MP4" << "R"
                             << "NO20211231-235930-000042.mp4" << "a#-#-#a.mp4";
    QTest::newRow("blackvue") << "20210314_235959_NF.mp4" << "F" << "20210314_235959_N.mp4"
                              << "#_#_a.mp4";
    QTest::newRow("after underscore") << "20200101_120000_C.MOV" << "C" << "20200101_120000_.mov"
                                      << "#_#_a.mov";
    QTest::newRow("a word is no channel") << "MY CAR.mp4" << "" << "" << "a a.mp4";
    QTest::newRow("lower case is no channel") << "20200101_120000_0001f.MP4" << "" << ""
                                              << "#_#_#a.mp4";
    QTest::newRow("other letters") << "20200101_120000_0001X.MP4" << "" << "" << "#_#_#a.mp4";
    QTest::newRow("no extension") << "0001B" << "B" << "0001" << "#a";
    QTest::newRow("single letter") << "A.mp4" << "" << "" << "a.mp4";
    QTest::newRow("chapters") << "GH020001.MP4" << "" << "" << "a#.mp4";
}

void TestDriveGrouping::channelLetters()
{
    QFETCH(QString, name);
    QFETCH(QString, channel);
    QFETCH(QString, key);
    QFETCH(QString, pattern);
    QCOMPARE(channelOfName(name), channel);
    QCOMPARE(recordingKey(QStringLiteral("/some/folder/") + name), key);
    QCOMPARE(namingPattern(name), pattern);
}

void TestDriveGrouping::partners()
{
    QList<LibraryEntry> entries = entriesOf({
        "2021_0101_120000_001A.MP4 60", // 0
        "2021_0101_120000_001C.MP4 60", // 1
        "2021_0101_120000_001B.MP4 60", // 2
        "20200101_120000_0001F.MP4 60", // 3
        "20200101_120001_0007R.MP4 60", // 4: other name, a second later
        "20200101_120100_0002F.MP4 60", // 5: no rear file
        "2021_0101_120100_002A.MP4 60", // 6
        "2021_0101_120101_002B.MP4 60", // 7: within a second by time
        "2021_0101_120100_002C.MP4 60", // 8
    });
    QCOMPARE(partnerEntries(entries, 0), QList<int>({2, 1}));
    QCOMPARE(partnerEntries(entries, 2), QList<int>({0, 1}));
    QCOMPARE(partnerEntries(entries, 1), QList<int>({0, 2}));
    QCOMPARE(partnerEntries(entries, 3), QList<int>({4}));
    QCOMPARE(partnerEntries(entries, 4), QList<int>({3}));
    QCOMPARE(partnerEntries(entries, 5), QList<int>());
    QCOMPARE(partnerEntries(entries, 6), QList<int>({7, 8}));
    QCOMPARE(partnerEntries(entries, 99), QList<int>());

    // Same name from another folder (front and rear folders of one card): found by name even
    // though the start differs; the first in list order wins.
    entries.append(entriesOf({"2021_0101_120000_001B.MP4 60"}));
    entries.last().path = QStringLiteral("/card/Rear/2021_0101_120000_001B.MP4");
    entries.last().startMs += 5000;
    QCOMPARE(partnerEntries(entries, 0), QList<int>({2, 1}));
    entries.removeAt(2);
    QCOMPARE(partnerEntries(entries, 0), QList<int>({entries.size() - 1, 1}));

    // An unlettered file has no partners, and none of another family is taken by time.
    const QList<LibraryEntry> mixed =
        entriesOf({"20200101_120000_cam.mp4 60", "20200101_120000_0001A.MP4 60",
                   "20200101_120000_0001F.MP4 60"});
    QCOMPARE(partnerEntries(mixed, 0), QList<int>());
    QCOMPARE(partnerEntries(mixed, 1), QList<int>());
}

QTEST_GUILESS_MAIN(TestDriveGrouping)
#include "test_drivegrouping.moc"
