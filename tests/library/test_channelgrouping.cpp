// Grouping of a recording's channel files: every worked example and edge case, in every play
// mode, as one table.
#include "channelgrouping.h"
#include "settingsstore.h"

#include <QTest>

namespace {

FileBean bean(const QString &path)
{
    FileBean b;
    b.filePath = path;
    b.fileName = path.section(QLatin1Char('/'), -1);
    b.fileDate = QStringLiteral("2021-01-01 12:00:00");
    return b;
}

QList<FileBean> library(const QStringList &paths)
{
    QList<FileBean> beans;
    for (const QString &p : paths)
        beans.append(bean(p));
    return beans;
}

const QStringList abc{"/r/2021_0101_120000_001A.MP4", "/r/2021_0101_120000_001B.MP4",
                      "/r/2021_0101_120000_001C.MP4"};
const QStringList fr{"/r/20200101_120000_0001F.MP4", "/r/20200101_120000_0001R.MP4"};
const QStringList numbered{"/r/2020_0101_000000_0005A.MOV", "/r/2020_0101_000010_0006B.MOV"};

} // namespace

class TestChannelGrouping : public QObject
{
    Q_OBJECT

private slots:
    void grouping_data();
    void grouping();
    void recordingNumbers_data();
    void recordingNumbers();
    void storedVolumeDefaultsTo40();
};

void TestChannelGrouping::grouping_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("playMode");
    QTest::addColumn<int>("formIndex");
    QTest::addColumn<QStringList>("paths");

    // Three cameras.
    QTest::newRow("abc 3ch A") << abc << 0 << 2 << 2 << QStringList{abc[0], abc[1], abc[2]};
    QTest::newRow("abc 3ch B") << abc << 1 << 2 << 2 << QStringList{abc[1], abc[0], abc[2]};
    QTest::newRow("abc 3ch C") << abc << 2 << 2 << 2 << QStringList{abc[2], abc[0], abc[1]};
    QTest::newRow("abc dual A") << abc << 0 << 1 << 1 << QStringList{abc[0], abc[1]};
    QTest::newRow("abc dual B") << abc << 1 << 1 << 1 << QStringList{abc[1], abc[2]};
    QTest::newRow("abc dual C") << abc << 2 << 1 << 1 << QStringList{abc[2], abc[0]};
    QTest::newRow("abc single A") << abc << 0 << 0 << 0 << QStringList{abc[0]};
    QTest::newRow("abc single B") << abc << 1 << 0 << 0 << QStringList{abc[1]};
    QTest::newRow("abc single C") << abc << 2 << 0 << 0 << QStringList{abc[2]};
    QTest::newRow("abc unknown mode counts as 3ch")
        << abc << 1 << 7 << 2 << QStringList{abc[1], abc[0], abc[2]};

    // Two cameras.
    QTest::newRow("fr dual F") << fr << 0 << 1 << 1 << QStringList{fr[0], fr[1]};
    QTest::newRow("fr dual R") << fr << 1 << 1 << 1 << QStringList{fr[1], fr[0]};
    QTest::newRow("fr 3ch F") << fr << 0 << 2 << 1 << QStringList{fr[0], fr[1]};
    QTest::newRow("fr 3ch R") << fr << 1 << 2 << 1 << QStringList{fr[1], fr[0]};
    QTest::newRow("fr single") << fr << 0 << 0 << 0 << QStringList{fr[0]};

    // Different time and number: only the number fallback pairs them, both ways.
    QTest::newRow("number A 3ch") << numbered << 0 << 2 << 1 << numbered;
    QTest::newRow("number B 3ch") << numbered << 1 << 2 << 1
                                  << QStringList{numbered[1], numbered[0]};
    QTest::newRow("number A dual") << numbered << 0 << 1 << 1 << numbered;
    QTest::newRow("number single") << numbered << 0 << 0 << 0 << QStringList{numbered[0]};

    // No channel letter at all.
    const QStringList plain{"/r/20200101_120000_0001.mp4", "/r/20200101_120000_0002.mp4"};
    for (int mode : {0, 1, 2})
        QTest::addRow("no letter mode %d", mode) << plain << 0 << mode << 0
                                                 << QStringList{plain[0]};

    // Lower-case letters are no channel letters.
    const QStringList lower{"/r/2021_0101_120000_001a.mp4", "/r/2021_0101_120000_001b.mp4"};
    QTest::newRow("lower case") << lower << 0 << 2 << 0 << QStringList{lower[0]};

    // "A" plus an "F" elsewhere: the B partner is found, the third channel is dropped.
    const QStringList af{"/r/F2021_0101_001A.MP4", "/r/F2021_0101_001B.MP4",
                         "/r/F2021_0101_001C.MP4"};
    QTest::newRow("A with F guard") << af << 0 << 2 << 1 << QStringList{af[0], af[1]};

    // Only the C partner listed: it becomes channel 2.
    QTest::newRow("only C partner")
        << QStringList{abc[0], abc[2]} << 0 << 2 << 1 << QStringList{abc[0], abc[2]};
    // Two of three files in three-channel mode.
    QTest::newRow("two of three")
        << QStringList{abc[1], abc[0]} << 0 << 2 << 1 << QStringList{abc[1], abc[0]};

    // Same partner name from two folders: the later one wins the name search, the earlier
    // one the Dual cycle.
    const QStringList twice{"/x/2021_0101_120000_001A.MP4", "/y/2021_0101_120000_001B.MP4",
                            "/z/2021_0101_120000_001B.MP4", "/w/2021_0101_120000_001C.MP4"};
    QTest::newRow("partner twice 3ch")
        << twice << 0 << 2 << 2 << QStringList{twice[0], twice[2], twice[3]};
    QTest::newRow("partner twice dual")
        << twice << 0 << 1 << 1 << QStringList{twice[0], twice[1]};

    // Every occurrence of the letter is replaced, not only the one at the end.
    const QStringList everywhere{"/r/A2021_001A.MP4", "/r/B2021_001A.MP4", "/r/B2021_001B.MP4"};
    QTest::newRow("replace everywhere")
        << everywhere << 0 << 2 << 1 << QStringList{everywhere[0], everywhere[2]};

    // Fallback: an .MP4 candidate has no readable number for the A clip...
    const QStringList mp4B{"/r/2020_0101_000000_0005A.MOV", "/r/2020_0101_000010_0006B.MP4"};
    QTest::newRow("fallback mp4 candidate") << mp4B << 0 << 2 << 0 << QStringList{mp4B[0]};
    // ...but the .MP4 B clip itself finds the .MOV A clip one number lower.
    QTest::newRow("fallback from mp4 B") << mp4B << 1 << 2 << 1
                                         << QStringList{mp4B[1], mp4B[0]};
    // Stem 0000B: unreadable candidates and the file itself never pair.
    const QStringList zero{"/r/2020_0101_000000_0000B.MOV", "/r/2020_0101_000000_XA.MOV"};
    QTest::newRow("fallback 0000B") << zero << 0 << 2 << 0 << QStringList{zero[0]};
    // Numbers that are not consecutive do not pair.
    const QStringList gap{"/r/2020_0101_000000_0005A.MOV", "/r/2020_0101_000010_0007B.MOV"};
    QTest::newRow("fallback gap") << gap << 0 << 2 << 0 << QStringList{gap[0]};
    // A file that is not in the list still groups against the list (partners only come from it).
    QTest::newRow("chosen not listed")
        << QStringList{abc[1], abc[2]} << -1 << 2 << 2 << QStringList{abc[0], abc[1], abc[2]};
    // Empty library.
    QTest::newRow("empty library") << QStringList{} << -1 << 2 << 0 << QStringList{abc[0]};
}

void TestChannelGrouping::grouping()
{
    QFETCH(QStringList, list);
    QFETCH(int, chosen);
    QFETCH(int, playMode);
    QFETCH(int, formIndex);
    QFETCH(QStringList, paths);
    const QList<FileBean> beans = library(list);
    const FileBean chosenBean = chosen >= 0 ? beans.at(chosen) : bean(abc[0]);
    const ChannelChoice group = groupChannels(chosenBean, beans, playMode);
    QCOMPARE(group.formIndex, formIndex);
    QCOMPARE(group.paths, paths);
}

void TestChannelGrouping::recordingNumbers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("expected");
    QTest::newRow("B clip") << "2020_0101_000010_0006B.MOV" << "B" << 6;
    QTest::newRow("A clip") << "2020_0101_000000_0005A.MOV" << "A" << 5;
    QTest::newRow("other letter") << "2020_0101_000010_0006B.MOV" << "A" << -1;
    QTest::newRow("mp4 refused") << "2020_0101_000010_0006B.MP4" << "B" << -1;
    QTest::newRow("three parts") << "2020_0101_0006B.MOV" << "B" << -1;
    QTest::newRow("five parts") << "x_2020_0101_000010_0006B.MOV" << "B" << -1;
    QTest::newRow("empty part kept") << "2020__000010_0007A.MOV" << "A" << 7;
    QTest::newRow("unreadable number") << "2020_0101_000010_XB.MOV" << "B" << 0;
    QTest::newRow("C stem") << "2020_0101_000010_0006C.MOV" << "C" << -1;
    QTest::newRow("lower case") << "2020_0101_000010_0006b.MOV" << "B" << -1;
    QTest::newRow("letter everywhere") << "2020_0101_000010_B0B6B.MOV" << "B" << 6;
    QTest::newRow("extra suffix") << "2020_0101_000010_0006B.MOV.bak" << "B" << 6;
    QTest::newRow("empty name") << "" << "B" << -1;
}

void TestChannelGrouping::recordingNumbers()
{
    QFETCH(QString, name);
    QFETCH(QString, letter);
    QFETCH(int, expected);
    QCOMPARE(recordingNumber(name, letter), expected);
}

void TestChannelGrouping::storedVolumeDefaultsTo40()
{
    SettingsStore store;
    QVERIFY(store.readValue(QStringLiteral("volume")).isEmpty());
    QCOMPARE(storedVolume().toString(), QStringLiteral("40"));
    store.writeValue(QStringLiteral("volume"), QStringLiteral("73"));
    QCOMPARE(storedVolume().toString(), QStringLiteral("73"));
    store.writeValue(QStringLiteral("volume"), QString());
    QCOMPARE(storedVolume().toString(), QStringLiteral("40"));
}

QTEST_GUILESS_MAIN(TestChannelGrouping)
#include "test_channelgrouping.moc"
