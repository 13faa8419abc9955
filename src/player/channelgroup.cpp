#include "channelgroup.h"

#include "mpvwidget.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// How long held channels wait for a laggard (a file that never loads, a seek libmpv dropped)
// before the rest are released anyway; the watchdog then brings the laggard in.
constexpr int holdFallbackMs = 5000;
constexpr int watchdogIntervalMs = 100;
// time-pos moves in whole frames, so one reading says "same frame" or "one frame apart"; the
// mean over this many readings resolves the sub-frame phase.
constexpr int driftWindow = 5;
// Speed nudges: proportional to the drift (closing it in about a second), at most 10 %, which
// the eye does not notice and the muted channels do not let anyone hear.
constexpr double nudgeGainPerSecond = 1.5;
constexpr double maxNudge = 0.10;
// Beyond this a nudge would take too long: seek the group back into step instead.
constexpr double resyncThresholdSeconds = 0.25;
constexpr qint64 minResyncIntervalMs = 2000;

double mean(const QVector<double> &values)
{
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.isEmpty() ? 0 : sum / values.size();
}

} // namespace

ChannelGroup::ChannelGroup(const QVector<MpvWidget *> &list, QObject *parent)
    : QObject(parent), channels(list), state(list.size())
{
    for (int i = 0; i < channels.size(); ++i) {
        MpvWidget *w = channels[i];
        connect(w, &MpvWidget::mpv_on_START_FILE, this, [this, i] { onStartFile(i); });
        connect(w, &MpvWidget::mpv_on_END_FILE, this, [this, i] { onEndFile(i); });
        connect(w, &MpvWidget::playbackRestarted, this, [this, i] { onRestart(i); });
        connect(w, &MpvWidget::commandReplied, this,
                [this, i](quint64 id, int error) { onCommandReply(i, id, error); });
    }
    fallback.setSingleShot(true);
    connect(&fallback, &QTimer::timeout, this, &ChannelGroup::release);
    watchdog.setInterval(watchdogIntervalMs);
    connect(&watchdog, &QTimer::timeout, this, &ChannelGroup::watchdogTick);
    sinceResync.start();
}

bool ChannelGroup::isHolding() const
{
    return holdingForRestart || !screenshotQueue.isEmpty();
}

bool ChannelGroup::isIdle(int index) const
{
    return channels[index]->mpvProperty(QStringLiteral("idle-active")).toBool();
}

bool ChannelGroup::rawPaused(int index) const
{
    return channels[index]->mpvProperty(QStringLiteral("pause")).toBool();
}

void ChannelGroup::load(const QStringList &paths)
{
    fallback.stop();
    holdingForRestart = false;
    for (int i = 0; i < channels.size() && i < paths.size(); ++i) {
        Channel &c = state[i];
        c.wantPlaying = true;
        c.awaitingRestart = false;
        c.expectStart = false;
        applySpeedFactor(i, 1.0);
        channels[i]->setMpvProperty(QStringLiteral("pause"), true);
        const QVariant result = channels[i]->commandWithResult(
            QVariantList{QStringLiteral("loadfile"), paths[i]});
        if (!mpv::qt::isError(result)) {
            c.awaitingRestart = true;
            c.expectStart = true;
            holdingForRestart = true;
        }
    }
    resetDrift();
    if (holdingForRestart) {
        fallback.start(holdFallbackMs);
        watchdog.start();
    } else {
        release();
    }
}

void ChannelGroup::setPlaying(bool playing)
{
    if (playing && !isHolding()) {
        // Resume every channel in the same breath (queued writes), not one core after another.
        for (int i = 0; i < channels.size(); ++i) {
            state[i].wantPlaying = true;
            channels[i]->setMpvPropertyAsync(QStringLiteral("pause"), false);
        }
        confirmPauseStates();
        resetDrift();
        return;
    }
    for (int i = 0; i < channels.size(); ++i)
        setChannelPlaying(i, playing);
}

void ChannelGroup::setChannelPlaying(int index, bool playing)
{
    if (index < 0 || index >= channels.size())
        return;
    state[index].wantPlaying = playing;
    // Pausing never breaks the step; starting a held channel waits for the release.
    if (!playing || !isHolding())
        channels[index]->setMpvProperty(QStringLiteral("pause"), !playing);
    resetDrift();
}

bool ChannelGroup::isChannelPaused(int index) const
{
    if (index < 0 || index >= channels.size())
        return false;
    if (isHolding())
        return !state[index].wantPlaying;
    return rawPaused(index);
}

void ChannelGroup::beginHold()
{
    holdingForRestart = true;
    fallback.start(holdFallbackMs);
    resetDrift();
}

void ChannelGroup::seekTo(int seconds)
{
    bool any = false;
    for (int i = 0; i < channels.size(); ++i) {
        Channel &c = state[i];
        const bool idle = isIdle(i);
        if (!idle && !c.awaitingRestart && !holdingForRestart)
            c.wantPlaying = !rawPaused(i);
        if (!idle)
            channels[i]->setMpvProperty(QStringLiteral("pause"), true);
        const QVariant result = channels[i]->commandWithResult(
            QVariantList{QStringLiteral("seek"), seconds, QStringLiteral("absolute")});
        // A channel still loading keeps waiting for its first restart, which already lands on
        // the sought position; a seek on an idle channel fails and is not waited for.
        if (!idle && !mpv::qt::isError(result) && !c.expectStart) {
            c.awaitingRestart = true;
            any = true;
        }
    }
    if (any)
        beginHold();
}

void ChannelGroup::frameStep()
{
    for (int i = 0; i < channels.size(); ++i) {
        state[i].wantPlaying = false;
        channels[i]->command(QVariantList{QStringLiteral("frame-step")});
    }
}

void ChannelGroup::frameBackStep()
{
    for (int i = 0; i < channels.size(); ++i) {
        state[i].wantPlaying = false;
        channels[i]->command(QVariantList{QStringLiteral("frame-back-step")});
    }
}

void ChannelGroup::setSpeed(const QVariant &speed)
{
    baseSpeed = speed;
    for (int i = 0; i < channels.size(); ++i)
        state[i].speedFactor = 1.0;
    setOnAll(QStringLiteral("speed"), speed);
    resetDrift();
}

void ChannelGroup::setOnAll(const QString &name, const QVariant &value)
{
    for (MpvWidget *w : qAsConst(channels))
        w->setMpvProperty(name, value);
}

void ChannelGroup::stop()
{
    fallback.stop();
    watchdog.stop();
    holdingForRestart = false;
    screenshotQueue.clear();
    for (int i = 0; i < channels.size(); ++i) {
        state[i].awaitingRestart = false;
        state[i].expectStart = false;
        channels[i]->command(QVariantList{QStringLiteral("stop")});
    }
}

void ChannelGroup::screenshot(const QString &folder)
{
    const bool wasHolding = isHolding();
    screenshotQueue.clear();
    for (int i = 0; i < channels.size(); ++i) {
        if (!wasHolding)
            state[i].wantPlaying = !rawPaused(i);
        screenshotQueue.append(i);
    }
    screenshotFolder = folder;
    nextScreenshot();
}

void ChannelGroup::nextScreenshot()
{
    while (!screenshotQueue.isEmpty()) {
        MpvWidget *w = channels[screenshotQueue.first()];
        w->setMpvProperty(QStringLiteral("screenshot-directory"), screenshotFolder);
        screenshotReplyId = nextReplyId++;
        if (w->commandAsync(QVariantList{QStringLiteral("screenshot")}, screenshotReplyId))
            return; // continue in onCommandReply
        screenshotQueue.removeFirst();
    }
    emit screenshotsFinished();
    maybeRelease();
}

void ChannelGroup::onCommandReply(int index, quint64 id, int)
{
    if (screenshotQueue.isEmpty() || screenshotQueue.first() != index || id != screenshotReplyId)
        return;
    screenshotQueue.removeFirst();
    nextScreenshot();
}

void ChannelGroup::onStartFile(int index)
{
    state[index].expectStart = false;
}

void ChannelGroup::onEndFile(int index)
{
    Channel &c = state[index];
    // The end of the previous file arrives after a new load was sent: not ours.
    if (c.expectStart)
        return;
    applySpeedFactor(index, 1.0);
    if (c.awaitingRestart) {
        c.awaitingRestart = false;
        maybeRelease();
    }
}

void ChannelGroup::onRestart(int index)
{
    Channel &c = state[index];
    if (c.expectStart || !c.awaitingRestart)
        return;
    c.awaitingRestart = false;
    maybeRelease();
}

void ChannelGroup::maybeRelease()
{
    if (!screenshotQueue.isEmpty())
        return;
    for (const Channel &c : qAsConst(state))
        if (c.awaitingRestart)
            return;
    release();
}

void ChannelGroup::release()
{
    fallback.stop();
    if (!screenshotQueue.isEmpty())
        return;
    const bool wasHolding = holdingForRestart;
    holdingForRestart = false;
    for (int i = 0; i < channels.size(); ++i) {
        state[i].awaitingRestart = false;
        state[i].expectStart = false;
    }
    // Async writes are queued within microseconds of each other instead of each waiting for
    // its player core to answer.
    for (int i = 0; i < channels.size(); ++i)
        if (!isIdle(i))
            channels[i]->setMpvPropertyAsync(QStringLiteral("pause"), !state[i].wantPlaying);
    confirmPauseStates();
    const double fps = channels.isEmpty()
        ? 0 : channels[0]->mpvProperty(QStringLiteral("container-fps")).toDouble();
    frameSeconds = fps > 1 && fps < 1000 ? 1.0 / fps : 1.0 / 30.0;
    resetDrift();
    if (wasHolding)
        emit released();
}

void ChannelGroup::confirmPauseStates()
{
    // The same write again, synchronously: each core handles its queue in order, so when this
    // returns the queued writes have landed and a read of "pause" tells the truth.
    for (int i = 0; i < channels.size(); ++i)
        channels[i]->setMpvProperty(QStringLiteral("pause"), !state[i].wantPlaying);
}

void ChannelGroup::resetDrift()
{
    for (Channel &c : state)
        c.drift.clear();
}

void ChannelGroup::applySpeedFactor(int index, double factor)
{
    Channel &c = state[index];
    if (qFuzzyCompare(c.speedFactor, factor))
        return;
    c.speedFactor = factor;
    bool ok = false;
    const double base = baseSpeed.toDouble(&ok);
    if (!ok) {
        channels[index]->setMpvProperty(QStringLiteral("speed"), baseSpeed);
        return;
    }
    channels[index]->setMpvProperty(QStringLiteral("speed"), base * factor);
}

QVector<double> ChannelGroup::measureOffsets() const
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QVector<double> offsets(channels.size(), nan);
    if (channels.isEmpty())
        return offsets;
    bool ok = false;
    const double speed = baseSpeed.toDouble(&ok);
    QElapsedTimer clock;
    clock.start();
    QVector<double> positions(channels.size(), nan);
    QVector<double> at(channels.size(), 0);
    for (int i = 0; i < channels.size(); ++i) {
        const qint64 before = clock.nsecsElapsed();
        const QVariant pos = channels[i]->mpvProperty(QStringLiteral("time-pos"));
        const qint64 after = clock.nsecsElapsed();
        if (pos.isValid())
            positions[i] = pos.toDouble();
        at[i] = (before + after) / 2e9;
    }
    if (std::isnan(positions[0]))
        return offsets;
    for (int i = 0; i < channels.size(); ++i) {
        if (std::isnan(positions[i]))
            continue;
        // Readings are taken one after the other: refer each to the moment channel 1 was read.
        const double elapsed = at[i] - at[0];
        const double advance = ok && !channels[i]->reportedPaused() ? elapsed * speed : 0;
        offsets[i] = positions[i] - advance - positions[0];
    }
    return offsets;
}

void ChannelGroup::watchdogTick()
{
    if (channels.size() < 2 || isHolding())
        return;
    MpvWidget *clock = channels[0];
    if (clock->reportedPaused() || !state[0].wantPlaying) {
        resetDrift();
        return;
    }
    const QVector<double> offsets = measureOffsets();
    if (std::isnan(offsets[0])) {
        resetDrift();
        return;
    }
    bool far = false;
    for (int i = 1; i < channels.size(); ++i) {
        Channel &c = state[i];
        if (std::isnan(offsets[i]) || channels[i]->reportedPaused() || !c.wantPlaying) {
            c.drift.clear();
            applySpeedFactor(i, 1.0);
            continue;
        }
        c.drift.append(offsets[i]);
        if (c.drift.size() > driftWindow)
            c.drift.removeFirst();
        if (std::abs(offsets[i]) > 4 * resyncThresholdSeconds)
            far = true;
        if (c.drift.size() < driftWindow)
            continue;
        const double d = mean(c.drift);
        if (std::abs(d) > std::max(resyncThresholdSeconds, 4 * frameSeconds)) {
            far = true;
        } else if (std::abs(d) > 0.25 * frameSeconds) {
            const double factor = 1.0 - qBound(-maxNudge, d * nudgeGainPerSecond, maxNudge);
            if (std::abs(factor - c.speedFactor) > 0.002) {
                ++nudges;
                applySpeedFactor(i, factor);
            }
        } else if (std::abs(d) < 0.1 * frameSeconds) {
            applySpeedFactor(i, 1.0);
        }
    }
    if (far && sinceResync.elapsed() > minResyncIntervalMs)
        resync();
}

void ChannelGroup::resync()
{
    ++resyncs;
    sinceResync.restart();
    MpvWidget *clock = channels[0];
    clock->setMpvProperty(QStringLiteral("pause"), true);
    const QVariant pos = clock->mpvProperty(QStringLiteral("time-pos"));
    if (!pos.isValid())
        return;
    bool any = false;
    for (int i = 0; i < channels.size(); ++i) {
        Channel &c = state[i];
        if (isIdle(i))
            continue;
        c.wantPlaying = i == 0 ? true : !rawPaused(i);
        if (!c.wantPlaying)
            continue; // a channel the view holds paused stays where it is
        channels[i]->setMpvProperty(QStringLiteral("pause"), true);
        applySpeedFactor(i, 1.0);
        const QVariant result = channels[i]->commandWithResult(QVariantList{
            QStringLiteral("seek"), pos.toDouble(), QStringLiteral("absolute+exact")});
        if (!mpv::qt::isError(result)) {
            c.awaitingRestart = true;
            any = true;
        }
    }
    if (any)
        beginHold();
    else
        channels[0]->setMpvProperty(QStringLiteral("pause"), false);
}
