// What playback costs us next to mpv itself: the channel forms play the given recording for a
// while (1 channel, then 3), and mpv (--vo=gpu --gpu-sw, the same audio outputs) plays the same
// files in windows of the same size, one process per channel. Reported: CPU time and peak RSS of
// both, as ratios, and how much our resident memory grows between early and late playback.
//
//   bench_playback_cost SECONDS A.MP4 B.MP4 C.MP4      (under Xvfb; scripts/bench-playback.sh)
#include "channelgroup.h"
#include "live1form.h"
#include "live3form.h"
#include "mpvwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QEventLoop>
#include <QTimer>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

extern char **environ;

namespace {

double seconds(const timeval &t)
{
    return t.tv_sec + t.tv_usec / 1e6;
}

double selfCpu()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// A field of /proc/self/status in MB (VmRSS, VmHWM).
double statusMb(const char *field, const QString &pid = QStringLiteral("self"))
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// A real event loop: a polling loop would bill its own spinning to the player.
void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Cost
{
    double cpu = 0;     // seconds of CPU
    double peakMb = 0;  // peak resident memory, MB (sum over processes)
    double growthMb = 0; // resident memory late in playback minus early in playback
    int dropped = 0;
    double paintsPerSecond = 0; // pictures composed per second, all channels
};

// Ours: the form plays for `secs` seconds (starting already counts: mpv pays for it too).
template<typename Form>
Cost runOurs(const QStringList &files, int secs, QSize size, QVector<QSize> *channelSizes)
{
    Form form;
    form.resize(size);
    form.show();
    waitMs(1000);
    int paints = 0;
    for (int i = 0; i < form.channelGroup()->count(); ++i)
        QObject::connect(form.channelGroup()->channel(i), &MpvWidget::frameRendered, &form,
                         [&paints] { ++paints; });
    const double cpu0 = selfCpu();
    if constexpr (std::is_same_v<Form, Live1Form>)
        form.play(files[0]);
    else
        form.play(files[0], files[1], files[2]);
    waitMs(5000);
    const double early = statusMb("VmRSS");
    waitMs((secs - 5) * 1000);
    Cost c;
    c.cpu = selfCpu() - cpu0;
    c.growthMb = statusMb("VmRSS") - early;
    c.peakMb = statusMb("VmHWM");
    c.paintsPerSecond = double(paints) / secs;
    for (int i = 0; i < form.channelGroup()->count(); ++i) {
        MpvWidget *w = form.channelGroup()->channel(i);
        c.dropped += w->mpvProperty(QStringLiteral("frame-drop-count")).toInt()
                     + w->mpvProperty(QStringLiteral("decoder-frame-drop-count")).toInt();
        channelSizes->append(w->size());
    }
    form.stop();
    waitMs(500);
    return c;
}

// mpv: one process per channel, each in a window of that channel's size, all at once.
Cost runMpv(const QStringList &files, int secs, const QVector<QSize> &sizes)
{
    std::vector<pid_t> pids;
    for (int i = 0; i < sizes.size(); ++i) {
        const QByteArrayList args{
            "mpv", "--no-config", "--really-quiet", "--vo=gpu", "--gpu-sw",
            "--ao=pipewire,pulse,alsa,null", "--keep-open=yes", "--no-border",
            "--force-window-position",
            QStringLiteral("--geometry=%1x%2+%3+0").arg(sizes[i].width()).arg(sizes[i].height())
                .arg(i * 300).toUtf8(),
            QStringLiteral("--length=%1").arg(secs).toUtf8(), QFile::encodeName(files[i])};
        std::vector<char *> argv;
        for (const QByteArray &a : args)
            argv.push_back(const_cast<char *>(a.constData()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, "mpv", nullptr, nullptr, argv.data(), environ) == 0)
            pids.push_back(pid);
    }
    Cost c;
    QElapsedTimer t;
    t.start();
    // --length ends playback but keep-open holds the window: end each at the same time as ours.
    waitMs(secs * 1000 + 1000);
    for (pid_t pid : pids) {
        // Read while it lives: the rusage of a spawned child counts our own memory as its peak.
        c.peakMb += statusMb("VmHWM", QString::number(pid));
        kill(pid, SIGTERM);
        int status = 0;
        rusage u{};
        wait4(pid, &status, 0, &u);
        c.cpu += seconds(u.ru_utime) + seconds(u.ru_stime);
    }
    return c;
}

void report(const char *name, const Cost &ours, const Cost &mpv, int processes)
{
    std::printf("%s: ours CPU %.1f s, peak RSS %.0f MB, RSS growth 5 s -> end %+.1f MB, dropped "
                "frames %d, %.1f pictures/s | mpv x%d CPU %.1f s, peak RSS %.0f MB | ratio CPU %.2f, RSS %.2f\n",
                name, ours.cpu, ours.peakMb, ours.growthMb, ours.dropped, ours.paintsPerSecond, processes, mpv.cpu,
                mpv.peakMb, ours.cpu / mpv.cpu, ours.peakMb / mpv.peakMb);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s SECONDS A.MP4 B.MP4 C.MP4 [1|3]\n", argv[0]);
        return 2;
    }
    const int secs = std::max(10, atoi(argv[1]));
    const QStringList files{QFile::decodeName(argv[2]), QFile::decodeName(argv[3]),
                            QFile::decodeName(argv[4])};
    const QString mode = argc > 5 ? QString::fromLatin1(argv[5]) : QStringLiteral("both");
    const QSize size(1280, 720);
    if (mode != QLatin1String("3")) {
        QVector<QSize> sizes;
        const Cost ours = runOurs<Live1Form>(files, secs, size, &sizes);
        const Cost mpv = runMpv(files, secs, sizes);
        report("1 channel", ours, mpv, 1);
    }
    if (mode != QLatin1String("1")) {
        QVector<QSize> sizes;
        const Cost ours = runOurs<Live3Form>(files, secs, size, &sizes);
        const Cost mpv = runMpv(files, secs, sizes);
        report("3 channels", ours, mpv, 3);
    }
    return 0;
}
