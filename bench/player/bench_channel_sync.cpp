// Measures how closely the three channels of Live3Form stay together: time-pos spread between
// channels (median and maximum per second, after a seek, after pause/resume), dropped frames
// and CPU time, on an idle machine and with another process keeping one core busy.
#include "channelgroup.h"
#include "clipmaker.h"
#include "live3form.h"
#include "mpvwidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
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

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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

double spreadNow(ChannelGroup *group)
{
    double worst = 0;
    for (double d : group->measureOffsets())
        if (!std::isnan(d))
            worst = std::max(worst, std::abs(d));
    return worst;
}

// Samples the spread every 100 ms for the given time, printing a line per second.
Stats sample(Live3Form &form, int seconds, const char *label)
{
    ChannelGroup *group = form.channelGroup();
    Stats all;
    for (int s = 0; s < seconds; ++s) {
        Stats second;
        for (int i = 0; i < 10; ++i) {
            waitMs(100);
            if (!group->isHolding() && !form.isPaused())
                second.add(spreadNow(group) * 1000);
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
    const Stats playing = sample(form, seconds, "playing");

    form.seekTo(3);
    QElapsedTimer seekTimer;
    seekTimer.start();
    while (form.channelGroup()->isHolding())
        waitMs(5);
    const qint64 seekMs = seekTimer.elapsed();
    const Stats afterSeek = sample(form, 3, "after seek");

    form.setPlaying(false);
    waitMs(1000);
    form.setPlaying(true);
    const Stats afterResume = sample(form, 3, "after resume");

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
    o.width = 1920;
    o.height = 1080;
    o.seconds = seconds + 10;
    o.gop = 30;
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
