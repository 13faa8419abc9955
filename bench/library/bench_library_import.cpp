// Imports many recordings through the real library (worker, ffmpeg, rows) and measures how long
// the GUI event loop was kept from running, and how many files per second get listed.
//
//   bench_library_import [files=200] [width=1280] [height=720] [nowindow]
//
// Runs offscreen in a throw-away settings and thumbnail folder.
#include "clipmaker.h"
#include "fileoper.h"
#include "projectlistwidget.h"
#include "settingsstore.h"
#include "videolibrary.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
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

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", tmp.filePath(QStringLiteral("config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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

    // Whole-list rebuilds run inside one GUI call (sort, refresh): time them too.
    QElapsedTimer rebuild;
    rebuild.start();
    library.refreshVideoList();
    std::printf("%-34s %5d rows %8.1f ms\n", "refreshVideoList (one GUI call)",
                library.beans().size(), rebuild.nsecsElapsed() / 1e6);
    rebuild.restart();
    library.sortVideoList(1);
    library.refreshVideoList();
    std::printf("%-34s %5d rows %8.1f ms\n", "sort + refresh (one GUI call)",
                library.beans().size(), rebuild.nsecsElapsed() / 1e6);
    return 0;
}
