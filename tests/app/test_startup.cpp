#include "clipmaker.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

// The real player executable started as a user starts it: its first-run preferences, the start-up
// translation, the thumbnail folder, the window title, and files named on the command line.
class TestStartup : public QObject
{
    Q_OBJECT

    QString confFile() const
    {
        return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Dravonix/ZevidudPlayer.conf");
    }

    // Starts the player, waits until its window exists, returns the window name and the log.
    struct Run
    {
        QString title;
        QString log;
    };
    Run runPlayer(const QStringList &arguments,
                  const std::function<bool(const QString &)> &readyWhen = {},
                  const QString &workingFolder = QString(),
                  const QMap<QString, QString> &extraEnv = {})
    {
        QProcess player;
        player.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=true"));
        for (auto it = extraEnv.cbegin(); it != extraEnv.cend(); ++it)
            env.insert(it.key(), it.value());
        player.setProcessEnvironment(env);
        if (!workingFolder.isEmpty())
            player.setWorkingDirectory(workingFolder);
        player.start(QStringLiteral(ZEVIDUD_PLAYER), arguments);
        Run run;
        if (!player.waitForStarted(10000))
            return run;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60000) {
            QProcess xdotool;
            xdotool.start(QStringLiteral("xdotool"),
                          {"search", "--name", "KORVELL ZEVIDUD PLAYER", "getwindowname"});
            xdotool.waitForFinished(10000);
            run.title = QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
            run.log += QString::fromUtf8(player.readAll());
            if (!run.title.isEmpty() && (!readyWhen || readyWhen(run.log)))
                break;
            QTest::qWait(200);
        }
        player.terminate();
        if (!player.waitForFinished(10000))
            player.kill();
        player.waitForFinished(5000);
        run.log += QString::fromUtf8(player.readAll());
        return run;
    }

private slots:
    void init()
    {
        QFile::remove(confFile());
    }

    void firstStartWritesDefaultsAndTheThumbnailFolder()
    {
        const Run run = runPlayer({});
        QCOMPARE(run.title, QStringLiteral("KORVELL ZEVIDUD PLAYER"));
        QVERIFY2(run.log.contains(QLatin1String("languageInt: 0")), qPrintable(run.log.left(2000)));
        QSettings conf(confFile(), QSettings::IniFormat);
        const QString thumbnails = QDir::homePath() + QStringLiteral("/Documents/PlayThumbnail/");
        QCOMPARE(conf.value("config/thumbnailPath").toString(), thumbnails);
        QVERIFY(QDir(thumbnails).exists());
        QCOMPARE(conf.value("config/language").toString(), QStringLiteral("0"));
        QCOMPARE(conf.value("config/volume").toString(), QStringLiteral("40"));
    }

    void storedLanguageIsUsedAtStart_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("logged");
        QTest::newRow("russian") << "3" << "languageInt: 3";
        QTest::newRow("outside the table") << "7" << "languageInt: 7";
    }
    void storedLanguageIsUsedAtStart()
    {
        QFETCH(QString, language);
        QFETCH(QString, logged);
        {
            QSettings conf(confFile(), QSettings::IniFormat);
            conf.setValue("config/language", language);
        }
        const Run run = runPlayer({});
        QCOMPARE(run.title, QStringLiteral("KORVELL ZEVIDUD PLAYER"));
        QVERIFY2(run.log.contains(logged), qPrintable(run.log.left(2000)));
        QSettings conf(confFile(), QSettings::IniFormat);
        // A stored store counts as initialised: the language is not reset to English.
        QCOMPARE(conf.value("config/language").toString(), language);
    }

    void filesOnTheCommandLineAreImported()
    {
        ClipOptions options;
        options.seconds = 3;
        const QString clip = makeClip(QDir::homePath() + "/clips", QStringLiteral("from_cli.mp4"), options);
        QVERIFY(!clip.isEmpty());
        // The import ends, then the first file opens: its telemetry load is logged.
        const Run run = runPlayer({clip}, [](const QString &log) {
            return log.contains(QLatin1String("mAssistInfos:"));
        });
        QSettings s(confFile(), QSettings::IniFormat);
        QCOMPARE(s.value("files/size").toInt(), 1);
        QCOMPARE(s.value("files/1/filePath").toString(), clip);
        QVERIFY2(run.log.contains(QLatin1String("mAssistInfos:")), qPrintable(run.log.right(3000)));
    }

    void debugLogOnlyWhenAskedFor()
    {
        const auto ready = [](const QString &) { return true; };
        const QMap<QString, QString> noRules{{QStringLiteral("QT_LOGGING_RULES"), QString()}};
        const Run quiet = runPlayer({}, ready, QString(), noRules);
        QCOMPARE(quiet.title, QStringLiteral("KORVELL ZEVIDUD PLAYER"));
        QVERIFY2(!quiet.log.contains(QLatin1String("languageInt:")), qPrintable(quiet.log.left(2000)));
        const Run verbose = runPlayer({QStringLiteral("--verbose")}, ready, QString(), noRules);
        QVERIFY2(verbose.log.contains(QLatin1String("languageInt:")), qPrintable(verbose.log.left(2000)));
    }

    void helpAndVersionPrintAndExit_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("expected");
        QTest::newRow("--help") << "--help" << "Usage: zevidud-player";
        QTest::newRow("-h") << "-h" << "Usage: zevidud-player";
        QTest::newRow("--version") << "--version" << "zevidud-player 1.";
    }
    void helpAndVersionPrintAndExit()
    {
        QFETCH(QString, argument);
        QFETCH(QString, expected);
        QProcess player;
        // No display at all: the answer needs none, and no window may open.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        player.setProcessEnvironment(env);
        player.start(QStringLiteral(ZEVIDUD_PLAYER), {argument});
        QVERIFY(player.waitForFinished(10000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);
        QVERIFY(QString::fromUtf8(player.readAllStandardOutput()).startsWith(expected));
        // Nothing was written: no settings, no list.
        QVERIFY(!QFileInfo::exists(confFile()));
    }

    // Started from a folder that holds a program called ffmpeg, a plug-in folder and an
    // mpv.conf (a camera card, a downloaded folder): none of them is run or read.
    void nothingRunsOrLoadsFromTheWorkingFolder()
    {
        const QString folder = QDir::homePath() + QStringLiteral("/untrusted");
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/plugins/imageformats")));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/plugins/platforms")));
        const QString ranMarker = folder + QStringLiteral("/ffmpeg-ran");
        const QString mpvLog = folder + QStringLiteral("/mpv-conf-read.log");
        auto write = [](const QString &path, const QByteArray &bytes, bool exec = false) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            file.close();
            if (exec)
                file.setPermissions(file.permissions() | QFile::ExeOwner);
        };
        write(folder + QStringLiteral("/ffmpeg"),
              QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(ranMarker).toUtf8(), true);
        write(folder + QStringLiteral("/plugins/imageformats/libqplanted.so"), "not a library");
        write(folder + QStringLiteral("/plugins/platforms/libqplanted.so"), "not a library");
        // Were this file read, mpv would open its log file at once.
        write(folder + QStringLiteral("/mpv.conf"),
              QStringLiteral("log-file=%1\n").arg(mpvLog).toUtf8());
        // The user's own mpv.conf, in our configuration folder, is read.
        const QString ourFolder = qEnvironmentVariable("XDG_CONFIG_HOME")
                                  + QStringLiteral("/Dravonix/ZevidudPlayer");
        const QString ourLog = QDir::homePath() + QStringLiteral("/our-mpv.log");
        QVERIFY(QDir().mkpath(ourFolder));
        write(ourFolder + QStringLiteral("/mpv.conf"),
              QStringLiteral("log-file=%1\n").arg(ourLog).toUtf8());

        ClipOptions options;
        options.seconds = 2;
        const QString clip = makeClip(folder, QStringLiteral("card_clip.mp4"), options);
        QVERIFY(!clip.isEmpty());
        const QString thumbnails = QDir::homePath() + QStringLiteral("/Documents/PlayThumbnail");
        // The plug-in loader names every file it looks at.
        const Run run = runPlayer(
            {QStringLiteral("card_clip.mp4")},
            [](const QString &log) { return log.contains(QLatin1String("mAssistInfos:")); },
            folder, {{QStringLiteral("QT_DEBUG_PLUGINS"), QStringLiteral("1")}});
        QVERIFY2(run.title == QStringLiteral("KORVELL ZEVIDUD PLAYER"),
                 qPrintable(run.title + QLatin1Char('\n') + run.log.right(3000)));
        QVERIFY2(run.log.contains(QLatin1String("mAssistInfos:")), qPrintable(run.log.right(3000)));
        QVERIFY(!QFileInfo::exists(ranMarker));
        // Made by the ffmpeg on PATH.
        QCOMPARE(QDir(thumbnails).entryList({QStringLiteral("card_clip_*.jpg")}).size(), 1);
        QVERIFY(!QFileInfo::exists(mpvLog));
        QVERIFY(QFileInfo::exists(ourLog));
        QFile::remove(ourFolder + QStringLiteral("/mpv.conf"));
        QVERIFY2(!run.log.contains(QLatin1String("libqplanted")), qPrintable(run.log.right(3000)));
        QVERIFY(run.log.contains(QLatin1String("QFactoryLoader"))); // the loader did report
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
