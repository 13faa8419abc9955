// Measures how closely the three channels of Live3Form stay together: time-pos spread between
// channels (median and maximum per second, after a seek, after pause/resume), the frames the
// screen really shows (each picture carries its frame number as a bar code, read from grabs of
// the screen), dropped frames and CPU time, on an idle machine and with another process keeping
// one core busy.
#include "channelgroup.h"
#include "clipmaker.h"
#include "live3form.h"
#include "mpvwidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
}

// Sleeps in the event loop: a loop that polls for events would keep a core busy and measure
// the channels on a machine loaded by the benchmark itself.
void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Stats
{
    QVector<double> values;
    void add(double v) { values << v; }
    double median() const
    {
        if (values.isEmpty())
            return NAN;
        QVector<double> v = values;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double max() const
    {
        return values.isEmpty() ? NAN : *std::max_element(values.begin(), values.end());
    }
    // Share of readings (in %) at least `frames` whole frames apart (30 fps). time-pos moves
    // in whole frames, so even channels a millisecond apart read one frame apart now and then:
    // these shares say more than the median, which flips between 0 and 33 ms.
    double shareAtLeast(int frames) const
    {
        if (values.isEmpty())
            return NAN;
        const double limit = (frames - 0.5) * 1000.0 / 30.0;
        const auto n = std::count_if(values.begin(), values.end(),
                                     [limit](double v) { return v >= limit; });
        return 100.0 * n / values.size();
    }
};

// The frame number as a bar code along the top of the picture: bit k is a white block in the
// k-th sixteenth of the width, on a black band an eighth of the height tall.
constexpr int codeBits = 12;

QString frameCodeFilter(const ClipOptions &o)
{
    return QStringLiteral("color=black:s=16x1:r=%1,format=gray,"
                          "geq=lum='255*mod(floor(N/pow(2\\,X))\\,2)',"
                          "scale=%2:%3:flags=neighbor[code];[in][code]overlay=0:0:shortest=1")
        .arg(o.fps)
        .arg(o.width)
        .arg(o.height / 8);
}

// Reads the frame number a channel shows on screen; -1 when the code cannot be read.
int shownFrame(const QImage &screen, MpvWidget *channel, QSize video)
{
    const QRect area(channel->mapToGlobal(QPoint(0, 0)), channel->size());
    // The picture keeps its aspect ratio, centred in the channel.
    const double scale = std::min(double(area.width()) / video.width(),
                                  double(area.height()) / video.height());
    const double left = area.x() + (area.width() - video.width() * scale) / 2;
    const double top = area.y() + (area.height() - video.height() * scale) / 2;
    const int y = int(top + video.height() * scale / 16);
    int frame = 0;
    for (int k = 0; k < codeBits; ++k) {
        const int x = int(left + video.width() * scale * (k + 0.5) / 16);
        if (!screen.rect().contains(x, y))
            return -1;
        const int grey = qGray(screen.pixel(x, y));
        if (grey > 40 && grey < 215)
            return -1; // caught between black and white: not a clean picture
        if (grey >= 215)
            frame |= 1 << k;
    }
    return frame;
}

// Frames apart between the channels' pictures on one grab of the screen; -1 when unreadable.
int shownSpread(ChannelGroup *group, QSize video)
{
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    int low = INT_MAX;
    int high = INT_MIN;
    for (int i = 0; i < group->count(); ++i) {
        const int frame = shownFrame(screen, group->channel(i), video);
        if (frame < 0)
            return -1;
        low = std::min(low, frame);
        high = std::max(high, frame);
    }
    return high - low;
}

double spreadNow(ChannelGroup *group)
{
    double worst = 0;
    for (double d : group->measureOffsets())
        if (!std::isnan(d))
            worst = std::max(worst, std::abs(d));
    return worst;
}

struct Grabs
{
    int together = 0, oneApart = 0, more = 0, unread = 0;
    void add(int spread)
    {
        (spread < 0 ? unread : spread == 0 ? together : spread == 1 ? oneApart : more) += 1;
    }
};

const QSize videoSize(1920, 1080);

// Samples the spread every 100 ms for the given time, with a grab of the screen each time,
// printing a line per second.
Stats sample(Live3Form &form, int seconds, const char *label, Grabs *grabs)
{
    ChannelGroup *group = form.channelGroup();
    Stats all;
    for (int s = 0; s < seconds; ++s) {
        Stats second;
        for (int i = 0; i < 10; ++i) {
            waitMs(100);
            if (!group->isHolding() && !form.isPaused()) {
                second.add(spreadNow(group) * 1000);
                grabs->add(shownSpread(group, videoSize));
            }
        }
        all.values += second.values;
        std::printf("  %-14s t=%2d s  spread median %5.1f ms  max %5.1f ms\n", label, s,
                    second.median(), second.max());
    }
    return all;
}

int dropped(Live3Form &form)
{
    int total = 0;
    for (int i = 0; i < 3; ++i) {
        MpvWidget *w = form.channelGroup()->channel(i);
        total += w->mpvProperty("frame-drop-count").toInt();
        total += w->mpvProperty("decoder-frame-drop-count").toInt();
    }
    return total;
}

void runPhase(Live3Form &form, const QStringList &clips, int seconds, const char *name)
{
    std::printf("== %s ==\n", name);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    form.play(clips[0], clips[1], clips[2]);
    while (form.channelGroup()->isHolding() || form.isIdle())
        waitMs(20);
    Grabs grabs;
    const Stats playing = sample(form, seconds, "playing", &grabs);

    form.seekTo(3);
    QElapsedTimer seekTimer;
    seekTimer.start();
    while (form.channelGroup()->isHolding())
        waitMs(5);
    const qint64 seekMs = seekTimer.elapsed();
    const Stats afterSeek = sample(form, 3, "after seek", &grabs);

    form.setPlaying(false);
    waitMs(1000);
    form.setPlaying(true);
    const Stats afterResume = sample(form, 3, "after resume", &grabs);

    const int drops = dropped(form);
    const double cpu = cpuSeconds() - cpu0;
    const double secs = wall.elapsed() / 1000.0;
    form.stop();
    waitMs(500);
    std::printf("  SUMMARY %s: playing median %.1f ms max %.1f ms | after seek median %.1f max "
                "%.1f ms (seek held %lld ms) | after resume median %.1f max %.1f ms | dropped "
                "frames %d | CPU %.1f s in %.1f s wall (%.0f%% of a core) | re-syncs %d, "
                "nudges %d\n",
                name, playing.median(), playing.max(), afterSeek.median(), afterSeek.max(),
                static_cast<long long>(seekMs), afterResume.median(), afterResume.max(), drops,
                cpu, secs, 100 * cpu / secs, form.channelGroup()->resyncCount(),
                form.channelGroup()->nudgeCount());
    std::printf("  READINGS %s: one frame or more / two frames or more apart: playing %.0f%% / "
                "%.1f%% | after seek %.0f%% / %.1f%% | after resume %.0f%% / %.1f%%\n",
                name, playing.shareAtLeast(1), playing.shareAtLeast(2), afterSeek.shareAtLeast(1),
                afterSeek.shareAtLeast(2), afterResume.shareAtLeast(1),
                afterResume.shareAtLeast(2));
    const int read = grabs.together + grabs.oneApart + grabs.more;
    std::printf("  GRABS %s: pictures on screen on the same frame %.0f%% | one frame apart %.1f%% "
                "| two or more apart %.1f%% (%d grabs read, %d unreadable)\n",
                name, 100.0 * grabs.together / std::max(1, read),
                100.0 * grabs.oneApart / std::max(1, read), 100.0 * grabs.more / std::max(1, read),
                read, grabs.unread);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 20;

    QTemporaryDir dir;
    ClipOptions o;
    o.width = videoSize.width();
    o.height = videoSize.height();
    o.seconds = seconds + 10;
    o.gop = 30;
    o.frameNumbers = false;
    o.extraArgs << QStringLiteral("-vf") << frameCodeFilter(o);
    std::printf("making a %d s 1080p30 clip...\n", o.seconds);
    std::fflush(stdout);
    const QString first = makeClip(dir.path(), "0001A.mp4", o);
    if (first.isEmpty())
        return 1;
    QStringList clips{first};
    for (const char *name : {"0001B.mp4", "0001C.mp4"}) {
        const QString copy = QDir(dir.path()).filePath(name);
        QFile::copy(first, copy);
        clips << copy;
    }

    Live3Form form;
    form.resize(1280, 720);
    form.show();
    waitMs(500);

    runPhase(form, clips, seconds, "idle machine");

    // Another process keeps one of the cores busy.
    QProcess burner;
    burner.start("sh", {"-c", "while :; do :; done"});
    burner.waitForStarted();
    runPhase(form, clips, seconds, "one core loaded");
    burner.kill();
    burner.waitForFinished();
    return 0;
}
