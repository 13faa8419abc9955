#include "drivesettings.h"
#include "settingsstore.h"
#include "translationloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTranslator>
#include <QtTest>

// Runs against the throw-away XDG_CONFIG_HOME that the test wrapper sets up.
class TestSettingsStore : public QObject
{
    Q_OBJECT

    QString storeFile() const
    {
        return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Dravonix/ZevidudPlayer.conf");
    }
    void wipe()
    {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Dravonix", "ZevidudPlayer");
        s.clear();
        s.sync();
    }

private slots:
    void init() { wipe(); }

    void storeLivesInTheTemporaryConfigFolder()
    {
        QVERIFY(qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(QDir::tempPath()));
        SettingsStore().writeValue("language", "2");
        QVERIFY(QFile::exists(storeFile()));
        QSettings raw(storeFile(), QSettings::IniFormat);
        QCOMPARE(raw.value("config/language").toString(), QStringLiteral("2"));
    }

    void firstRunWritesExactlyTheDefaults()
    {
        SettingsStore store;
        store.initDefaults();
        QSettings raw(storeFile(), QSettings::IniFormat);
        raw.beginGroup("config");
        QStringList keys = raw.childKeys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"capturePath", "language", "map", "playMode", "speed", "volume"}));
        QCOMPARE(store.readValue("language"), QStringLiteral("0"));
        QCOMPARE(store.readValue("map"), QStringLiteral("1"));
        QCOMPARE(store.readValue("speed"), QStringLiteral("0"));
        QCOMPARE(store.readValue("volume"), QStringLiteral("40"));
        QCOMPARE(store.readValue("playMode"), QStringLiteral("0"));
        QCOMPARE(store.readValue("capturePath"), QDir::homePath() + QStringLiteral("/Pictures/"));
    }

    void secondRunOverwritesNothing()
    {
        SettingsStore store;
        store.initDefaults();
        store.writeValue("language", "3");
        store.writeValue("volume", "75");
        store.initDefaults();
        QCOMPARE(store.readValue("language"), QStringLiteral("3"));
        QCOMPARE(store.readValue("volume"), QStringLiteral("75"));
    }

    void storeWithOnlyTheFileListCountsAsInitialised()
    {
        {
            QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Dravonix", "ZevidudPlayer");
            s.beginWriteArray("files");
            s.setArrayIndex(0);
            s.setValue("filePath", "/tmp/x.mp4");
            s.endArray();
        }
        SettingsStore store;
        store.initDefaults();
        QCOMPARE(store.readValue("language"), QString());
        QCOMPARE(store.readValue("volume"), QString());
        QCOMPARE(store.readInt("playMode"), 0);
        QCOMPARE(store.readInt("map"), 0);
    }

    void absentKeysReadEmptyNeverStale()
    {
        SettingsStore store;
        store.writeValue("speed", "1");
        QCOMPARE(store.readValue("speed"), QStringLiteral("1"));
        QCOMPARE(store.readValue("videoSort"), QString());
        QCOMPARE(store.readInt("videoSort"), 0);
        store.writeValue("language", "abc");
        QCOMPARE(store.readInt("language"), 0);
    }

    // Settings files of earlier versions hold none of the drive keys: they read as the defaults,
    // and values a hand or a damaged file put there never leave the usable range.
    void driveSettingsReadTheirDefaultsAndStayInRange()
    {
        SettingsStore store;
        store.initDefaults();
        QVERIFY(DriveSettings::continueWithNextClip(store));
        QCOMPARE(DriveSettings::eventThresholdG(store), DriveSettings::defaultEventThresholdG);
        QVERIFY(DriveSettings::tileSource(store).isEmpty());
        store.writeValue(DriveSettings::continueKey, "0");
        QVERIFY(!DriveSettings::continueWithNextClip(store));
        const QList<QPair<QString, double>> thresholds{
            {"0.8", 0.8}, {"-3", 0.05}, {"1e9", 4.0}, {"nan", DriveSettings::defaultEventThresholdG},
            {"inf", DriveSettings::defaultEventThresholdG}, {"x", DriveSettings::defaultEventThresholdG}};
        for (const auto &t : thresholds) {
            store.writeValue(DriveSettings::eventThresholdKey, t.first);
            QCOMPARE(DriveSettings::eventThresholdG(store), t.second);
        }
    }

    void languageTable_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("resource");
        QTest::newRow("english") << 0 << ":/trans/English.qm";
        QTest::newRow("japanese") << 1 << ":/trans/Japanese.qm";
        QTest::newRow("deutsch") << 2 << ":/trans/Deutsch.qm";
        QTest::newRow("russian") << 3 << ":/trans/Russian.qm";
        QTest::newRow("negative") << -1 << "";
        QTest::newRow("seven") << 7 << "";
    }
    void languageTable()
    {
        QFETCH(int, language);
        QFETCH(QString, resource);
        QCOMPARE(TranslationLoader::resourceFor(language), resource);
        if (!resource.isEmpty())
            QVERIFY2(QFile::exists(resource), qPrintable(resource));
    }

    void loaderInstallsTheStoredLanguageAndReplacesIt()
    {
        SettingsStore store;
        TranslationLoader loader;
        store.writeValue("language", "3");
        loader.loadLanguage();
        QCOMPARE(QCoreApplication::translate("MainWindow", "Settings"), QStringLiteral("Настройки"));
        store.writeValue("language", "2");
        loader.loadLanguage();
        QCOMPARE(QCoreApplication::translate("MainWindow", "Settings"),
                 QStringLiteral("die Einstellungen"));
        // Outside the table nothing is installed: texts stay as written in the program.
        store.writeValue("language", "7");
        loader.loadLanguage();
        QCOMPARE(QCoreApplication::translate("MainWindow", "Settings"), QStringLiteral("Settings"));
    }
};

QTEST_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
