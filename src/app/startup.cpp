#include "startup.h"

#include "application.h"
#include "mainwindow.h"
#include "settingsstore.h"
#include "tilesource.h"
#include "translationloader.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <unistd.h>

namespace {

// Chromium (inside QtWebEngine) refuses to run as root with its sandbox on. A desktop user is
// rarely root, but containers and CI are: there the map would stay blank, so turn the sandbox
// off for root only and say so on the log.
void allowWebEngineAsRoot()
{
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        qDebug() << "running as root: web engine sandbox disabled";
    }
}

// Two kinds of start-up noise: the web channel publishes every property of the main window to
// the map page and warns about each one without a change signal (some sixty lines), and the
// channel forms' relay slots are named like auto-connected slots ("on_START_FILE") without being
// meant as such.
QtMessageHandler previousHandler = nullptr;
void quietStartupNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg
        && (message.endsWith(QLatin1String("value updates in HTML will be broken!"))
            || message.startsWith(QLatin1String("QMetaObject::connectSlotsByName: No matching signal for on_"))))
        return;
    previousHandler(type, context, message);
}

// Plug-ins are code: only a folder installed with the player is added to the toolkit's search,
// never one relative to the working folder (a folder of recordings may hold anything).
void useOnlyOurPluginFolder()
{
    const QString ours = QCoreApplication::applicationDirPath() + QStringLiteral("/plugins");
    QStringList paths = QCoreApplication::libraryPaths();
    paths.removeAll(QStringLiteral("./plugins"));
    paths.removeAll(QStringLiteral("."));
    if (QFileInfo(ours).isDir() && !paths.contains(ours))
        paths.prepend(ours);
    QCoreApplication::setLibraryPaths(paths);
}

QStringList filesFromArguments(const QStringList &arguments)
{
    QStringList files;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            for (++i; i < arguments.size(); ++i)
                files << QFileInfo(arguments.at(i)).absoluteFilePath();
            break;
        }
        if (argument.startsWith(QLatin1Char('-')))
            continue;
        files << QFileInfo(argument).absoluteFilePath();
    }
    return files;
}

} // namespace

void applyApplicationLook(QApplication &app)
{
    QFile styleFile(QStringLiteral(":/qss/style_windows.qss"));
    styleFile.open(QFile::ReadOnly);
    QFont font(QStringLiteral("Microsoft YaHei"), 10, 75, false);
    QApplication::setFont(font);
    if (styleFile.isOpen()) {
        const QByteArray bytes = styleFile.readAll();
        const int nul = bytes.indexOf('\0');
        app.setStyleSheet(QString::fromLatin1(nul < 0 ? bytes : bytes.left(nul)));
        styleFile.close();
    }
}

// --help and --version answer on the console and end the process before any window exists.
// Returns -1 when the arguments ask for neither.
int answerInformationalArguments(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") // what follows are file names, whatever they look like
            break;
        if (argument == "--version" || argument == "-v") {
            std::printf("zevidud-player %s\n", ZEVIDUD_VERSION);
            return EXIT_SUCCESS;
        }
        if (argument == "--help" || argument == "-h") {
            std::printf(
                "Usage: zevidud-player [options] [recording ...]\n"
                "Plays dashboard-camera recordings with their map, speed and G-sensor graph.\n"
                "Recordings named here are added to the list (once) and the first is opened.\n"
                "\n"
                "Options:\n"
                "  -h, --help     show this text and exit\n"
                "  -v, --version  show the version and exit\n"
                "      --verbose  write the debug log to the console\n");
            return EXIT_SUCCESS;
        }
    }
    return -1;
}

int runPlayer(int argc, char **argv)
{
    const int answered = answerInformationalArguments(argc, argv);
    if (answered >= 0)
        return answered;
    // The debug log is for finding faults, not for every start: off unless asked for with
    // --verbose (QT_LOGGING_RULES, which tests set, still decides over this).
    bool verbose = false;
    for (int i = 1; i < argc; ++i)
        verbose = verbose || QByteArray(argv[i]) == "--verbose";
    if (!verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    previousHandler = qInstallMessageHandler(quietStartupNoise);
    allowWebEngineAsRoot();
    // QtWebEngine and the mpv GL widgets live in one process: they must share GL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Local map tiles come through a URL scheme of ours, which must be known before the
    // application exists.
    TileSource::registerUrlScheme();

    Application app(argc, argv);
    // libmpv refuses to create a player unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");
    useOnlyOurPluginFolder();

    std::unique_ptr<MainWindow> window;
    try {
        window = std::make_unique<MainWindow>();
    } catch (const std::exception &error) {
        reportFatalError(QString::fromLocal8Bit(error.what()));
        return EXIT_FAILURE;
    }

    applyApplicationLook(app);

    SettingsStore settings;
    const int language = settings.readInt(QStringLiteral("language"));
    qDebug() << "languageInt:" << language;
    QTranslator translator;
    translator.load(TranslationLoader::resourceFor(language));
    QCoreApplication::installTranslator(&translator);

    const QString thumbnailPath =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        + QStringLiteral("/PlayThumbnail/");
    if (!QDir(thumbnailPath).exists())
        QDir().mkpath(thumbnailPath); // also when the Documents folder itself is missing
    settings.writeValue(QStringLiteral("thumbnailPath"), thumbnailPath);

    window->show();
    window->setWindowTitle(QStringLiteral("KORVELL ZEVIDUD PLAYER"));
    window->openFilesFromCommandLine(filesFromArguments(QCoreApplication::arguments()));

    return app.exec();
}
