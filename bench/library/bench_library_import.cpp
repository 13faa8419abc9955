// Imports many recordings through the real library (worker, ffmpeg, rows) and measures how long
// the GUI event loop was kept from running, and how many files per second get listed.
//
//   bench_library_import [files=200] [width=1280] [height=720] [nowindow|rebuildonly] [look]
//
// "rebuildonly" skips ffmpeg and the import: the rows come straight in with small JPEG
// thumbnails written here, and only the whole-list rebuilds (start-up restore, refresh, sort)
// are timed.
// Runs offscreen in a throw-away settings and thumbnail folder.
#include "clipmaker.h"
#include "filelistitem.h"
#include "fileoper.h"
#include "projectlistwidget.h"
#include "settingsstore.h"
#include "videolibrary.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <vector>

namespace {

// Longest gap between ticks of a 5 ms timer: how long the GUI thread could not react.
class StallMeter
{
public:
    StallMeter()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0)
                gaps.push_back((now - last) / 1e6);
            last = now;
        });
    }
    void start()
    {
        gaps.clear();
        clock.start();
        last = 0;
        timer.start(5);
    }
    void stop()
    {
        // The stretch since the last tick counts too: a burst at the very end is a stall.
        if (last >= 0)
            gaps.push_back((clock.nsecsElapsed() - last) / 1e6);
        timer.stop();
    }
    double maxGap() const { return gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end()); }
    double percentile(double p) const
    {
        if (gaps.empty())
            return 0;
        std::vector<double> sorted = gaps;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, size_t(p * sorted.size()))];
    }
    int over(double ms) const
    {
        return int(std::count_if(gaps.begin(), gaps.end(), [ms](double g) { return g > ms; }));
    }

private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = -1;
    std::vector<double> gaps;
};

void report(const char *label, int files, double seconds, const StallMeter &meter)
{
    std::printf("%-28s %4d files %7.2f s %7.1f files/s %6.1f ms/file  stall max %5.1f ms  "
                "p99 %5.1f ms  >50ms: %d\n",
                label, files, seconds, files / seconds, seconds * 1000 / files, meter.maxGap(),
                meter.percentile(0.99), meter.over(50));
}

// A whole-list rebuild runs inside one GUI call, so its duration is the stall it causes.
// Several rounds: the first one may pay for caches the later ones reuse.
void timeRebuild(const char *label, int rows, const std::function<void()> &call)
{
    std::vector<double> ms;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer clock;
        clock.start();
        call();
        ms.push_back(clock.nsecsElapsed() / 1e6);
        // Let the list lay out and paint between rounds, as it would between clicks.
        QCoreApplication::processEvents();
    }
    const double first = ms.front();
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s %5d rows  first %7.1f ms  median %7.1f ms  max %7.1f ms\n", label, rows,
                first, ms[ms.size() / 2], ms.back());
}

void timeRebuilds(VideoLibrary &library)
{
    const int rows = library.beans().size();
    timeRebuild("refreshVideoList (one GUI call)", rows, [&] { library.refreshVideoList(); });
    int order = 0;
    timeRebuild("sort + refresh (one GUI call)", rows, [&] {
        order = 1 - order;
        library.sortVideoList(order);
        library.refreshVideoList();
    });
}

// Rows without ffmpeg: empty recordings and an 81x60 JPEG per row (what the thumbnail program
// writes), then the rebuilds alone, the start-up restore among them.
int rebuildBench(const QTemporaryDir &tmp, int files)
{
    const QString clipDir = tmp.filePath(QStringLiteral("clips"));
    const QString thumbDir = tmp.filePath(QStringLiteral("thumbs/"));
    QDir().mkpath(clipDir);
    QDir().mkpath(thumbDir);
    SettingsStore().writeValue(QStringLiteral("thumbnailPath"), thumbDir);

    QList<FileBean> beans;
    for (int i = 0; i < files; ++i) {
        FileBean bean;
        bean.fileName = QStringLiteral("2021_0101_%1_%2A.MP4")
                            .arg(120000 + (i * 7919) % files)
                            .arg(i, 4, 10, QLatin1Char('0'));
        bean.filePath = clipDir + QLatin1Char('/') + bean.fileName;
        bean.fileDate = QStringLiteral("2021-01-01 12:00:00");
        QFile recording(bean.filePath);
        recording.open(QIODevice::WriteOnly);
        QImage picture(81, 60, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(i % 360, 200, 200));
        QPainter(&picture).drawText(picture.rect(), Qt::AlignCenter, QString::number(i));
        picture.save(FileOper::thumbnailFileFor(thumbDir, bean.fileName), "JPG");
        beans.append(bean);
    }
    FileListItem().saveFileList(beans);

    std::printf("rebuilds only, %d rows with 81x60 JPEG thumbnails\n", files);
    for (int round = 0; round < 3; ++round) {
        // Start-up: the window builds the rows from the saved list before it is first shown,
        // then showing it polishes and lays out every row.
        QWidget window;
        window.resize(480, 800);
        auto *list = new ProjectListWidget(&window);
        list->resize(480, 800);
        auto *sortButton = new QToolButton(&window);
        VideoLibrary library(list, sortButton, &window);
        QElapsedTimer clock;
        clock.start();
        library.restoreVideoList();
        library.refreshVideoList();
        const double build = clock.nsecsElapsed() / 1e6;
        clock.restart();
        window.show();
        QCoreApplication::processEvents();
        std::printf("start-up round %d: restore + refresh %6.1f ms, show + first paint %6.1f ms\n",
                    round + 1, build, clock.nsecsElapsed() / 1e6);
    }

    QWidget window;
    window.resize(480, 800);
    auto *list = new ProjectListWidget(&window);
    list->resize(480, 800);
    auto *sortButton = new QToolButton(&window);
    window.show();
    QCoreApplication::processEvents();
    {
        // Every row built into a list already on screen.
        VideoLibrary library(list, sortButton, &window);
        QElapsedTimer clock;
        clock.start();
        library.restoreVideoList();
        library.refreshVideoList();
        std::printf("%-34s %5d rows  %7.1f ms\n", "restore + refresh into shown list", files,
                    clock.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
    }
    VideoLibrary library(list, sortButton, &window);
    library.restoreVideoList();
    library.refreshVideoList();
    QCoreApplication::processEvents();
    timeRebuilds(library);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", tmp.filePath(QStringLiteral("config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // "look" anywhere among the arguments: the player's application style sheet, which makes
    // every row widget's polish dearer.
    if (app.arguments().contains(QLatin1String("look"))) {
        QFile style(QStringLiteral(":/qss/style_windows.qss"));
        if (style.open(QFile::ReadOnly)) {
            const QByteArray bytes = style.readAll();
            const int nul = bytes.indexOf('\0');
            app.setStyleSheet(QString::fromLatin1(nul < 0 ? bytes : bytes.left(nul)));
        }
    }
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(msg));
    });

    const QStringList args = app.arguments();
    const int files = args.size() > 1 ? args.at(1).toInt() : 200;
    ClipOptions clip;
    clip.seconds = 2;
    clip.width = args.size() > 2 ? args.at(2).toInt() : 1280;
    clip.height = args.size() > 3 ? args.at(3).toInt() : 720;
    clip.frameNumbers = false;

    const bool rebuildOnly = args.size() > 4 && args.at(4) == QLatin1String("rebuildonly");
    if (rebuildOnly)
        return rebuildBench(tmp, files);

    const QString clipDir = tmp.filePath(QStringLiteral("clips"));
    const QString source = makeClip(clipDir, QStringLiteral("source.mp4"), clip);
    if (source.isEmpty())
        return 1;
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        paths.append(clipDir + QStringLiteral("/2021_0101_%1_%2A.MP4")
                                   .arg(120000 + i)
                                   .arg(i, 4, 10, QLatin1Char('0')));
        QFile::copy(source, paths.last());
    }
    const QString thumbDir = tmp.filePath(QStringLiteral("thumbs/"));
    QDir().mkpath(thumbDir);
    SettingsStore().writeValue(QStringLiteral("thumbnailPath"), thumbDir);

    // One thumbnail run on its own: the floor for the per-file import time.
    QElapsedTimer single;
    single.start();
    const int probes = 5;
    for (int i = 0; i < probes; ++i) {
        FileOper probe;
        probe.makeThumbnail(source, tmp.filePath(QStringLiteral("probe.jpg")));
    }
    const double ffmpegMs = single.nsecsElapsed() / 1e6 / probes;

    QWidget window;
    window.resize(480, 800);
    auto *list = new ProjectListWidget(&window);
    list->resize(480, 800);
    auto *sortButton = new QToolButton(&window);
    window.show();
    VideoLibrary library(list, sortButton, &window);
    // "nowindow" as the fourth argument lets the rows arrive unpaced, for comparison.
    if (args.size() > 4 && args.at(4) == QLatin1String("nowindow"))
        library.worker()->setRowWindow(0);
    StallMeter meter;

    auto runImport = [&](const char *label) {
        QEventLoop loop;
        bool finished = false;
        const auto connection = QObject::connect(&library, &VideoLibrary::importFinished, [&] {
            finished = true;
            loop.quit();
        });
        QTimer::singleShot(600000, &loop, &QEventLoop::quit);
        meter.start();
        QElapsedTimer clock;
        clock.start();
        library.addPaths(paths);
        loop.exec();
        QObject::disconnect(connection);
        if (!finished) {
            std::fprintf(stderr, "import did not finish\n");
            return false;
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        meter.stop();
        report(label, files, seconds, meter);
        return true;
    };

    std::printf("clip %dx%d, %d s; one ffmpeg thumbnail run alone: %.1f ms\n", clip.width,
                clip.height, clip.seconds, ffmpegMs);
    if (!runImport("import, thumbnails made"))
        return 1;
    if (!runImport("re-import, thumbnails exist"))
        return 1;

    timeRebuilds(library);
    return 0;
}
