// The pause at a clip boundary: a drive of consecutive clips per channel, played across the
// boundaries, measuring per channel the time from the last frame of one clip on screen to the
// first frame of the next (and to the second one, when the picture moves again), and how far
// the channels are apart afterwards.
//
// Ways of continuing, measured side by side on bare players:
//   playlist   every core has the next clip queued in its playlist (prefetched) and advances
//              by itself at the end of the clip
//   held       the same, but each queued clip starts paused; all channels are released together
//              once every one shows its first frame (the way LiveForm continues)
//   at-end     every core stops on the last frame; the next clip is loaded when the end is seen
// and then the player's own LiveForm (setNextRecording), which is what the window uses.
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" ./bench_clip_boundary [width height [clips]]
#include "channelgroup.h"
#include "clipmaker.h"
#include "live1form.h"
#include "live3form.h"
#include "mpvwidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

QElapsedTimer clockTimer;

double nowMs()
{
    return clockTimer.nsecsElapsed() / 1e6;
}

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

// Frames as they reach the screen: after each swap of a channel's picture, which clip and
// which position it showed. A new (clip, position) pair is a new frame.
struct FrameLog
{
    struct Frame
    {
        int clip;
        double pos;
        double atMs;
    };
    QVector<Frame> frames;

    void note(int clip, double pos)
    {
        if (!frames.isEmpty() && frames.last().clip == clip
            && std::abs(frames.last().pos - pos) < 1e-6)
            return;
        frames.append({clip, pos, nowMs()});
    }
    // Last frame of `clip` to the first and second frames of `clip + 1`; NaN when missing.
    std::pair<double, double> gapAfter(int clip) const
    {
        double last = NAN, first = NAN, second = NAN;
        for (const Frame &f : frames) {
            if (f.clip == clip)
                last = f.atMs;
            else if (f.clip == clip + 1) {
                if (std::isnan(first))
                    first = f.atMs;
                else if (std::isnan(second))
                    second = f.atMs;
            }
        }
        return {first - last, second - last};
    }
};

// Which clip each channel is on: counted from its start-file events, read by nothing that
// would wait for a player core (a core changing files may be waiting for this thread).
struct ClipCounter
{
    QVector<int> clip;
    QVector<int> restarts;
};

void watchFrames(MpvWidget *w, int index, ClipCounter *counter, FrameLog *log)
{
    QObject::connect(w, &MpvWidget::mpv_on_START_FILE, w, [=] { ++counter->clip[index]; });
    QObject::connect(w, &MpvWidget::playbackRestarted, w, [=] { ++counter->restarts[index]; });
    QObject::connect(w, &MpvWidget::framePositionChanged, w, [=](double pos) {
        if (counter->clip[index] >= 0)
            log->note(counter->clip[index], pos);
    });
}

// Largest distance of any channel from channel 1 at one instant, ms; NaN when a channel is on
// another clip.
double spreadMs(const QVector<MpvWidget *> &ws, const ClipCounter &counter)
{
    const QVariant p0 = ws[0]->mpvProperty(QStringLiteral("time-pos"));
    double worst = 0;
    for (int i = 1; i < ws.size(); ++i) {
        const QVariant p = ws[i]->mpvProperty(QStringLiteral("time-pos"));
        if (!p0.isValid() || !p.isValid() || counter.clip[i] != counter.clip[0])
            return NAN;
        worst = std::max(worst, std::abs(p.toDouble() - p0.toDouble()) * 1000);
    }
    return worst;
}

struct Result
{
    QVector<double> firstGap, secondGap, spreadAfter;
};

double median(QVector<double> v)
{
    v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return std::isnan(x); }), v.end());
    if (v.isEmpty())
        return NAN;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double maximum(const QVector<double> &v)
{
    double m = NAN;
    for (double x : v)
        if (!std::isnan(x))
            m = std::isnan(m) ? x : std::max(m, x);
    return m;
}

void report(const char *name, int channels, const Result &r)
{
    std::printf("  %-10s %d ch: last frame -> first frame of next clip: median %6.1f ms max "
                "%6.1f ms | -> moving again (second frame): median %6.1f ms max %6.1f ms | "
                "spread 0.5-1.5 s after: median %5.1f ms max %5.1f ms\n",
                name, channels, median(r.firstGap), maximum(r.firstGap), median(r.secondGap),
                maximum(r.secondGap), median(r.spreadAfter), maximum(r.spreadAfter));
    std::fflush(stdout);
}

// Samples the spread for a second, starting half a second after every channel reached `clip`.
void sampleSpreadAfter(const QVector<MpvWidget *> &ws, const ClipCounter &counter, int clip,
                       Result *r, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    auto allOn = [&] {
        for (int i = 0; i < ws.size(); ++i)
            if (counter.clip[i] != clip)
                return false;
        return true;
    };
    while (!allOn() && t.elapsed() < timeoutMs)
        waitMs(5);
    waitMs(500);
    for (int k = 0; k < 10; ++k) {
        waitMs(100);
        if (ws.size() > 1)
            r->spreadAfter << spreadMs(ws, counter);
    }
}

void collectGaps(const QVector<FrameLog> &logs, int clipCount, Result *r)
{
    for (const FrameLog &log : logs) {
        for (int c = 0; c + 1 < clipCount; ++c) {
            const auto gap = log.gapAfter(c);
            r->firstGap << gap.first;
            r->secondGap << gap.second;
        }
    }
}

// Bare players in a row, driven by one of the three ways above.
Result runBare(const char *mode, const QVector<QStringList> &clips, QSize size)
{
    const int n = clips.size();
    const int clipCount = clips[0].size();
    QWidget host;
    auto *row = new QHBoxLayout(&host);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    QVector<MpvWidget *> ws;
    QVector<FrameLog> logs(n);
    ClipCounter counter{QVector<int>(n, -1), QVector<int>(n, 0)};
    for (int i = 0; i < n; ++i) {
        auto *w = new MpvWidget(&host);
        row->addWidget(w);
        ws << w;
    }
    host.resize(size);
    host.show();
    waitMs(500);
    for (int i = 0; i < n; ++i)
        watchFrames(ws[i], i, &counter, &logs[i]);
    // Extra player options to try, e.g. BENCH_MPV_OPTIONS="gapless-audio=yes;ao=null".
    for (const QString &option :
         qEnvironmentVariable("BENCH_MPV_OPTIONS").split(';', Qt::SkipEmptyParts)) {
        const int eq = option.indexOf('=');
        for (MpvWidget *w : ws)
            w->setMpvProperty(option.left(eq), option.mid(eq + 1));
    }

    const bool playlist = qstrcmp(mode, "at-end") != 0;
    const bool held = qstrcmp(mode, "held") == 0;
    for (int i = 0; i < n; ++i) {
        ws[i]->setMpvProperty(QStringLiteral("keep-open"), QStringLiteral("yes"));
        ws[i]->setMpvProperty(QStringLiteral("prefetch-playlist"), playlist);
        // Gapless audio would wait, paused, for the previous clip's audio to play out.
        if (held)
            ws[i]->setMpvProperty(QStringLiteral("gapless-audio"), QStringLiteral("no"));
        ws[i]->setMpvProperty(QStringLiteral("pause"), true);
        ws[i]->command(QVariantList{QStringLiteral("loadfile"), clips[i][0]});
        if (playlist) {
            for (int c = 1; c < clipCount; ++c) {
                QVariantList cmd{QStringLiteral("loadfile"), clips[i][c], QStringLiteral("append")};
                if (held)
                    cmd << QStringLiteral("pause=yes");
                ws[i]->command(cmd);
            }
        }
    }
    // All on `clip` with its first frame decoded.
    auto allReady = [&](int clip) {
        for (int i = 0; i < n; ++i)
            if (counter.clip[i] != clip || counter.restarts[i] < clip + 1)
                return false;
        return true;
    };
    QElapsedTimer t;
    t.start();
    while (!allReady(0) && t.elapsed() < 20000)
        waitMs(5);
    waitMs(200);
    for (MpvWidget *w : ws)
        w->setMpvPropertyAsync(QStringLiteral("pause"), false);
    if (!playlist) {
        // At the end (keep-open pauses on the last frame) load the next clip and play it.
        for (int i = 0; i < n; ++i) {
            MpvWidget *w = ws[i];
            QObject::connect(w, &MpvWidget::mpv_on_PAUSE, w, [=, &counter] {
                const int next = counter.clip[i] + 1;
                if (next < clipCount) {
                    w->commandAsync(QVariantList{QStringLiteral("loadfile"), clips[i][next]}, 0);
                    w->setMpvPropertyAsync(QStringLiteral("pause"), false);
                }
            });
        }
    }

    Result r;
    int releasedClip = 0;
    int sampledClip = 0;
    QElapsedTimer wall;
    wall.start();
    const double clipSeconds = ws[0]->reportedDuration();
    const qint64 limit = qint64((clipSeconds * clipCount + 10) * 1000);
    while (wall.elapsed() < limit) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (held && releasedClip + 1 < clipCount && allReady(releasedClip + 1)) {
            for (MpvWidget *w : ws)
                w->setMpvPropertyAsync(QStringLiteral("pause"), false);
            ++releasedClip;
        }
        if (n > 1 && sampledClip + 1 < clipCount && allReady(sampledClip + 1)) {
            ++sampledClip;
            sampleSpreadAfter(ws, counter, sampledClip, &r, 5000);
        }
        bool done = true;
        for (int i = 0; i < n; ++i)
            done = done && counter.clip[i] == clipCount - 1
                   && ws[i]->reportedTimePos() > clipSeconds - 0.1;
        if (done)
            break;
    }
    waitMs(300);
    collectGaps(logs, clipCount, &r);
    return r;
}

// The player's own forms with setNextRecording, the way the window drives them.
template<typename Form>
Result runForm(const QVector<QStringList> &clips, QSize size)
{
    const int n = clips.size();
    const int clipCount = clips[0].size();
    Form form;
    form.resize(size);
    form.show();
    waitMs(500);
    form.setStopAtEnd(true);
    QVector<MpvWidget *> ws;
    QVector<FrameLog> logs(n);
    ClipCounter counter{QVector<int>(n, -1), QVector<int>(n, 0)};
    for (int i = 0; i < n; ++i) {
        ws << form.channelGroup()->channel(i);
        watchFrames(ws[i], i, &counter, &logs[i]);
    }
    auto recording = [&](int c) {
        QStringList paths;
        for (int i = 0; i < n; ++i)
            paths << clips[i][c];
        return paths;
    };
    int current = 0;
    QObject::connect(&form, &LiveForm::LiveRecordingAdvanced, &form, [&] {
        ++current;
        form.setNextRecording(current + 1 < clipCount ? recording(current + 1) : QStringList());
    });
    const QStringList first = recording(0);
    if constexpr (std::is_same_v<Form, Live1Form>)
        form.play(first[0]);
    else
        form.play(first[0], first[1], first[2]);
    form.setNextRecording(recording(1));

    Result r;
    QElapsedTimer wall;
    wall.start();
    int sampledClip = 0;
    while (wall.elapsed() < 60000) {
        waitMs(5);
        if (n > 1 && sampledClip + 1 < clipCount && current == sampledClip + 1) {
            ++sampledClip;
            sampleSpreadAfter(ws, counter, sampledClip, &r, 5000);
        }
        if (current == clipCount - 1 && form.atEnd())
            break;
    }
    collectGaps(logs, clipCount, &r);
    form.stop();
    waitMs(300);
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    clockTimer.start();
    const QSize size(argc > 2 ? std::max(160, atoi(argv[1])) : 1280,
                     argc > 2 ? std::max(120, atoi(argv[2])) : 720);
    const int clipCount = argc > 3 ? std::max(2, atoi(argv[3])) : 4;

    QTemporaryDir dir;
    ClipOptions o;
    o.width = 1920;
    o.height = 1080;
    o.seconds = 4;
    o.gop = 30;
    std::printf("making %d clips of %d s, 1080p30, 3 channels; window %dx%d...\n", clipCount,
                o.seconds, size.width(), size.height());
    std::fflush(stdout);
    QVector<QStringList> clips(3);
    for (int c = 0; c < clipCount; ++c) {
        const QString name = QStringLiteral("2020_0101_1200%1_%2A.MP4")
                                 .arg(c * o.seconds, 2, 10, QLatin1Char('0'))
                                 .arg(c + 1, 4, 10, QLatin1Char('0'));
        const QString front = makeClip(dir.path(), name, o);
        if (front.isEmpty())
            return 1;
        clips[0] << front;
        for (int ch = 1; ch < 3; ++ch) {
            QString copy = front;
            copy.replace(QLatin1String("A.MP4"), ch == 1 ? QLatin1String("B.MP4")
                                                         : QLatin1String("C.MP4"));
            QFile::copy(front, copy);
            clips[ch] << copy;
        }
    }
    const QVector<QStringList> one{clips[0]};
    for (const char *mode : {"playlist", "held", "at-end"}) {
        report(mode, 1, runBare(mode, one, size));
        report(mode, 3, runBare(mode, clips, size));
    }
    report("LiveForm", 1, runForm<Live1Form>(one, size));
    report("LiveForm", 3, runForm<Live3Form>(clips, size));
    return 0;
}
