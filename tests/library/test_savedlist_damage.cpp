// Damaged settings files, written as raw text into this test's own XDG_CONFIG_HOME and read back
// through the real store: the saved list reads the entries that are present and nothing more.
#include "filelistitem.h"
#include "settingsstore.h"
#include "videolibrary.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestSavedListDamage : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;
    QString a, b, c; // three real files

    static QString confFile()
    {
        return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Dravonix/ZevidudPlayer.conf");
    }
    static void writeConf(const QByteArray &text)
    {
        QDir().mkpath(QFileInfo(confFile()).path());
        QFile file(confFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.flush();
        // QSettings keeps a parsed file while its size and time stay the same: each write gets
        // a time of its own, as edits by hand a moment apart would.
        static int writes = 0;
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(++writes),
                                 QFileDevice::FileModificationTime));
    }
    static QStringList paths(const QList<FileBean> &beans)
    {
        QStringList out;
        for (const FileBean &bean : beans)
            out << bean.filePath;
        return out;
    }
    QByteArray entry(int index, const QString &path) const
    {
        return QStringLiteral("%1\\fileName=%2\n%1\\filePath=%3\n%1\\fileDate=2024-01-01 00:00:00\n")
            .arg(index)
            .arg(QFileInfo(path).fileName(), path)
            .toUtf8();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        for (QString *path : {&a, &b, &c}) {
            *path = tmp.filePath(QStringLiteral("clip%1.mp4").arg(path == &a ? 1 : path == &b ? 2 : 3));
            QFile file(*path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    void claimedSizeIsOnlyAnUpperBound_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("expected");
        const QByteArray ab = entry(1, a) + entry(2, b);
        QTest::newRow("size INT_MAX, two entries")
            << QByteArray("[files]\nsize=2147483647\n") + ab << QStringList{a, b};
        QTest::newRow("size past 64 bits") << QByteArray("[files]\nsize=99999999999999999999\n") + ab
                                           << QStringList{a, b};
        QTest::newRow("size is text") << QByteArray("[files]\nsize=lots\n") + ab << QStringList{a, b};
        QTest::newRow("size missing") << QByteArray("[files]\n") + ab << QStringList{a, b};
        QTest::newRow("size negative") << QByteArray("[files]\nsize=-7\n") + ab << QStringList{a, b};
        QTest::newRow("size smaller than the entries")
            << QByteArray("[files]\nsize=1\n") + ab << QStringList{a};
        QTest::newRow("size zero keeps the list empty")
            << QByteArray("[files]\nsize=0\n") + ab << QStringList{};
        // Holes and order: entries are read by index, in index order.
        QTest::newRow("holes and file order")
            << QByteArray("[files]\nsize=9\n") + entry(7, c) + entry(2, b) << QStringList{b, c};
        QTest::newRow("names that are no indices")
            << QByteArray("[files]\nsize=5\n") + entry(0, c) + entry(1, a)
                   + QByteArray("01\\filePath=") + b.toUtf8() + QByteArray("\nx\\filePath=")
                   + c.toUtf8() + QByteArray("\n-2\\filePath=") + c.toUtf8() + "\n"
            << QStringList{a};
        QTest::newRow("a list where a path belongs")
            << QByteArray("[files]\nsize=2\n1\\filePath=") + a.toUtf8() + ", " + b.toUtf8()
                   + "\n" + entry(2, c)
            << QStringList{c};
        QTest::newRow("damaged variant where a path belongs")
            << QByteArray("[files]\nsize=2\n1\\filePath=@Variant(\\0\\0\\0\\x7f\\xff\\xff)\n")
                   + entry(2, b)
            << QStringList{b};
        QTest::newRow("variant byte array of huge claimed length")
            << QByteArray("[files]\nsize=2\n1\\filePath=@Variant(\\0\\0\\0\\f\\x7f\\xff\\xff\\xffab)\n")
                   + entry(2, a)
            << QStringList{a};
        QTest::newRow("no array at all") << QByteArray("[config]\nlanguage=0\n") << QStringList{};
        QTest::newRow("binary garbage")
            << QByteArray("\x00\xff\xfe[files\n\\\\\\=\x01\x02size=3\n\x80\x81", 24) << QStringList{};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
    }
    void claimedSizeIsOnlyAnUpperBound()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, expected);
        writeConf(text);
        QCOMPARE(paths(FileListItem().loadFileList()), expected);
    }

    void entryFieldsOfOtherTypesReadAsText()
    {
        writeConf(QByteArray("[files]\nsize=1\n1\\fileName=7\n1\\fileDate=a, b\n1\\filePath=")
                  + a.toUtf8() + "\n");
        const QList<FileBean> beans = FileListItem().loadFileList();
        QCOMPARE(beans.size(), 1);
        QCOMPARE(beans.first().fileName, QStringLiteral("7"));
        QCOMPARE(beans.first().fileDate, QString()); // a list is no date
    }

    // The restore at start-up goes through the same reader and writes back a clean list.
    void restoreRewritesAHealthyList()
    {
        writeConf(QByteArray("[config]\nvolume=@Variant(\\0\\0\\0\\x7f)\nlanguage=99999999999\n"
                             "[files]\nsize=2147483647\n")
                  + entry(1, a) + entry(3, tmp.filePath(QStringLiteral("gone.mp4"))) + entry(5, c));
        VideoLibrary library(nullptr, nullptr, nullptr);
        library.restoreVideoList();
        QCOMPARE(paths(library.beans()), QStringList({a, c}));
        QSettings conf(confFile(), QSettings::IniFormat);
        QCOMPARE(conf.value(QStringLiteral("files/size")).toInt(), 2);
        QCOMPARE(conf.value(QStringLiteral("files/2/filePath")).toString(), c);
        // Damaged numbers read as 0, as absent ones do.
        QCOMPARE(SettingsStore().readInt(QStringLiteral("volume")), 0);
        QCOMPARE(SettingsStore().readInt(QStringLiteral("language")), 0);
    }
};

QTEST_MAIN(TestSavedListDamage)
#include "test_savedlist_damage.moc"
