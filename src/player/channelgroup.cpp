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
// The watchdog reads every 3.3 frame periods: time-pos moves in whole frames, so one reading
// says only "same frame" or "one frame apart", but readings that walk through the frame period
// average out to the sub-frame offset (readings a whole number of frames apart would all
// land on the same phase and only ever see the same whole frame).
constexpr double watchdogFrames = 3.3;
constexpr int driftWindow = 20;
// After a pulse or a release, readings are ignored for this long: libmpv's audio chain and its
// own A/V correction take a moment to show the new speed in the video.
constexpr qint64 settleMs = 300;
// Offsets below this fraction of a frame are left alone: the frames then change within a few
// milliseconds of each other, and chasing less would only keep the speeds busy.
constexpr double correctFraction = 0.3;
// Pulse strength: small offsets close at 10 % speed, which the eye does not notice and the
// muted channels do not let anyone hear; from one and a half frames on, at once at 25 %.
constexpr double pulseRate = 0.10;
constexpr double fastPulseRate = 0.25;
constexpr double fastPulseFrames = 1.5;
constexpr double maxPulseSeconds = 2.0;
// Beyond this a pulse would take too long: seek the group back into step instead.
constexpr double resyncThresholdSeconds = 0.25;
constexpr qint64 minResyncIntervalMs = 2000;
// Paused audio clocks further apart than this fraction of a frame are re-sought on resume.
constexpr double pausedAudioTolerance = 0.15;
// One reading this far off is a stray channel, whatever the window says.
constexpr double strayPositionSeconds = 1.0;

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
        connect(w, &MpvWidget::mpv_on_START_FILE, this,
                [this, i](qint64 entryId) { onStartFile(i, entryId); });
        connect(w, &MpvWidget::mpv_on_END_FILE, this,
                [this, i](qint64 entryId) { onEndFile(i, entryId); });
        connect(w, &MpvWidget::playbackRestarted, this, [this, i] { onRestart(i); });
        connect(w, &MpvWidget::commandReplied, this,
                [this, i](quint64 id, int error) { onCommandReply(i, id, error); });
    }
    fallback.setSingleShot(true);
    connect(&fallback, &QTimer::timeout, this, &ChannelGroup::release);
    watchdog.setTimerType(Qt::PreciseTimer);
    watchdog.setInterval(qRound(watchdogFrames * frameSeconds * 1000));
    connect(&watchdog, &QTimer::timeout, this, &ChannelGroup::watchdogTick);
    sinceResync.start();
    sinceSettle.start();
    for (MpvWidget *w : qAsConst(channels)) {
        // The next clip's file is opened while the current one plays.
        w->setMpvProperty(QStringLiteral("prefetch-playlist"), true);
        // A queued clip starts paused; with gapless audio its core would wait for the previous
        // clip's audio to play out first, which a paused output never does.
        w->setMpvProperty(QStringLiteral("gapless-audio"), QStringLiteral("no"));
    }
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
    advancing = false;
    // Started where asked: a seek after the load would first show, and report, the beginning.
    QString options = QStringLiteral("pause=yes");
    if (nextStartSeconds > 0)
        options += QStringLiteral(",start=%1").arg(nextStartSeconds);
    nextStartSeconds = 0;
    for (int i = 0; i < channels.size() && i < paths.size(); ++i) {
        Channel &c = state[i];
        c.wantPlaying = true;
        c.awaitingRestart = false;
        c.expectStart = false;
        c.hasFile = false;
        c.hasNext = false;
        c.forcedNext = false;
        c.entry = 0;
        c.loadedId = 0;
        applySpeedFactor(i, 1.0);
        channels[i]->setMpvProperty(QStringLiteral("pause"), true);
        // Paused for this file alone as well: a file that itself started paused (a queued clip)
        // gives "pause" back its earlier value when it ends, after the write above.
        const QVariant result = channels[i]->commandWithResult(
            QVariantList{QStringLiteral("loadfile"), paths[i], QStringLiteral("replace"),
                         options});
        if (!mpv::qt::isError(result)) {
            c.loadedId = result.toMap().value(QStringLiteral("playlist_entry_id")).toLongLong();
            c.awaitingRestart = true;
            c.expectStart = true;
            c.hasFile = true;
            holdingForRestart = true;
        }
        // A clip queued for the previous recording must not follow this one.
        channels[i]->commandAsync(QVariantList{QStringLiteral("playlist-clear")}, 0);
    }
    resetDrift();
    if (holdingForRestart) {
        fallback.start(holdFallbackMs);
        watchdog.start();
    } else {
        release();
    }
}

void ChannelGroup::setNext(const QStringList &paths)
{
    // Queued commands: a synchronous one would wait for a core that may be opening a file.
    for (int i = 0; i < channels.size(); ++i) {
        Channel &c = state[i];
        const QString path = paths.value(i);
        channels[i]->commandAsync(QVariantList{QStringLiteral("playlist-clear")}, 0);
        c.hasNext = c.hasFile && !path.isEmpty();
        if (!c.hasNext)
            continue;
        channels[i]->commandAsync(QVariantList{QStringLiteral("loadfile"), path,
                                               QStringLiteral("append"),
                                               QStringLiteral("pause=yes")},
                                  0);
        // A file that has already ended (and holds its last frame) would wait there for good.
        if (channels[i]->reportedEofReached() && !c.expectStart)
            channels[i]->commandAsync(QVariantList{QStringLiteral("playlist-next")}, 0);
    }
}

void ChannelGroup::setPlaying(bool playing)
{
    if (isHolding()) {
        for (int i = 0; i < channels.size(); ++i)
            setChannelPlaying(i, playing);
        return;
    }
    for (int i = 0; i < channels.size(); ++i)
        state[i].wantPlaying = playing;
    if (playing && pausedOutOfStep()) {
        // Channels that stopped at different moments would resume just as far apart: seek
        // them all to channel 1's frame and release them together, as after a seek.
        const QVariant pos = channels[0]->mpvProperty(QStringLiteral("time-pos"));
        if (pos.isValid() && seekPlayingTo(pos.toDouble()))
            return;
    }
    // Every channel in the same breath (queued writes), not one core after another.
    for (int i = 0; i < channels.size(); ++i)
        channels[i]->setMpvPropertyAsync(QStringLiteral("pause"), !playing);
    confirmPauseStates();
    resetDrift();
}

bool ChannelGroup::pausedOutOfStep() const
{
    if (channels.size() < 2 || isIdle(0) || !rawPaused(0))
        return false;
    // A paused audio clock is exact to the sample, so it shows when the pauses landed at
    // different moments of a frame (under load the cores take the pause tens of milliseconds
    // apart), which the frame positions cannot. The frames must agree as well: right after a
    // seek of a paused channel its audio clock still reads the old position until audio is
    // decoded again, while its frame already shows the new one.
    const QVariant firstAudio = channels[0]->mpvProperty(QStringLiteral("audio-pts"));
    const QVariant firstFrame = channels[0]->mpvProperty(QStringLiteral("time-pos"));
    for (int i = 1; i < channels.size(); ++i) {
        if (isIdle(i) || !rawPaused(i) || !state[i].wantPlaying)
            continue;
        const QVariant frame = channels[i]->mpvProperty(QStringLiteral("time-pos"));
        if (firstFrame.isValid() && frame.isValid()
            && std::abs(frame.toDouble() - firstFrame.toDouble()) > 0.5 * frameSeconds)
            return true;
        const QVariant audio = channels[i]->mpvProperty(QStringLiteral("audio-pts"));
        if (firstAudio.isValid() && audio.isValid()
            && std::abs(audio.toDouble() - firstAudio.toDouble())
                   > pausedAudioTolerance * frameSeconds)
            return true;
    }
    return false;
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
    advancing = false;
    screenshotQueue.clear();
    for (int i = 0; i < channels.size(); ++i) {
        state[i].awaitingRestart = false;
        state[i].expectStart = false;
        state[i].hasFile = false;
        state[i].hasNext = false;
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

bool ChannelGroup::isStale(int index, qint64 entryId) const
{
    // A core still busy with the previous file when load() replaced it reports that file's start
    // (and end) afterwards: taken for the loaded file's start, it would make the loaded file's
    // own start look like a move on to the queued clip.
    return entryId > 0 && entryId < state[index].loadedId;
}

void ChannelGroup::onStartFile(int index, qint64 entryId)
{
    Channel &c = state[index];
    if (isStale(index, entryId))
        return;
    if (c.expectStart) {
        c.expectStart = false;
        return;
    }
    if (c.hasFile)
        onAdvance(index);
}

void ChannelGroup::onAdvance(int index)
{
    // The core moved on to its queued file, which starts paused on its first frame.
    Channel &c = state[index];
    ++c.entry;
    c.hasNext = false;
    c.forcedNext = false;
    c.awaitingRestart = true;
    if (advancing && c.entry <= advanceEntry)
        return;
    // The first channel at a new boundary: every channel with a queued file is awaited; those
    // the view keeps paused never reach their end and are sent on at once.
    advancing = true;
    advanceEntry = c.entry;
    holdingForRestart = true;
    fallback.start(holdFallbackMs);
    resetDrift();
    for (int i = 0; i < channels.size(); ++i) {
        Channel &o = state[i];
        if (i != index && o.entry < advanceEntry && o.hasNext)
            o.awaitingRestart = true;
    }
    forceLaggards(true);
}

void ChannelGroup::forceLaggards(bool onlyPaused)
{
    for (int i = 0; i < channels.size(); ++i) {
        Channel &o = state[i];
        if (o.entry >= advanceEntry || !o.hasNext || o.forcedNext || (onlyPaused && o.wantPlaying))
            continue;
        o.forcedNext = true;
        channels[i]->commandAsync(QVariantList{QStringLiteral("playlist-next")}, 0);
    }
}

void ChannelGroup::onEndFile(int index, qint64 entryId)
{
    Channel &c = state[index];
    if (isStale(index, entryId))
        return;
    // The end of the previous file arrives after a new load was sent: not ours.
    if (c.expectStart)
        return;
    applySpeedFactor(index, 1.0);
    // The queued file starts next; its start and first frame are awaited instead.
    if (c.hasNext)
        return;
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
    // At a boundary only the first frame of the next file counts.
    if (advancing && c.entry < advanceEntry)
        return;
    c.awaitingRestart = false;
    // A playing channel has reached the next clip: one still on the previous clip is behind
    // (a longer file, or a core that fell back) and is cut short to stay in step.
    if (advancing && c.wantPlaying)
        forceLaggards(false);
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
    const bool wasAdvancing = advancing;
    holdingForRestart = false;
    advancing = false;
    for (int i = 0; i < channels.size(); ++i) {
        state[i].awaitingRestart = false;
        state[i].expectStart = false;
        state[i].forcedNext = false;
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
    watchdog.setInterval(qMax(20, qRound(watchdogFrames * frameSeconds * 1000)));
    resetDrift();
    if (wasHolding)
        emit released();
    if (wasAdvancing)
        emit advanced();
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
    sinceSettle.restart();
    for (int i = 0; i < state.size(); ++i)
        forgetDrift(i);
}

void ChannelGroup::forgetDrift(int index)
{
    Channel &c = state[index];
    c.drift.clear();
    c.wideReadings = 0;
    if (c.pulsing) {
        // A pending pulse end carries the old generation and is ignored when it fires.
        c.pulsing = false;
        ++c.pulseGeneration;
        applySpeedFactor(index, 1.0);
    }
}

void ChannelGroup::applySpeedFactor(int index, double factor)
{
    Channel &c = state[index];
    if (qFuzzyCompare(c.speedFactor, factor))
        return;
    c.speedFactor = factor;
    bool ok = false;
    const double base = baseSpeed.toDouble(&ok);
    // Queued: this also runs when a file ends, while the core may be busy opening the next.
    if (!ok) {
        channels[index]->setMpvPropertyAsync(QStringLiteral("speed"), baseSpeed);
        return;
    }
    channels[index]->setMpvPropertyAsync(QStringLiteral("speed"), base * factor);
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
        // A channel on another clip of the drive has no offset to speak of.
        if (std::isnan(positions[i]) || state[i].entry != state[0].entry)
            continue;
        // Readings are taken one after the other: refer each to the moment channel 1 was read.
        const double elapsed = at[i] - at[0];
        const double advance = ok && !channels[i]->reportedPaused() ? elapsed * speed : 0;
        offsets[i] = positions[i] - advance - positions[0];
    }
    return offsets;
}

QVector<double> ChannelGroup::frameClockOffsets() const
{
    QVector<double> offsets(channels.size(), std::numeric_limits<double>::quiet_NaN());
    for (int i = 0; i < channels.size(); ++i) {
        if (i == 0 && !channels.isEmpty())
            offsets[i] = 0;
        else if (state[i].drift.size() >= driftWindow)
            offsets[i] = mean(state[i].drift);
    }
    return offsets;
}

void ChannelGroup::watchdogTick()
{
    if (channels.size() < 2 || isHolding())
        return;
    MpvWidget *clock = channels[0];
    bool ok = false;
    const double speed = baseSpeed.toDouble(&ok);
    if (clock->reportedPaused() || !state[0].wantPlaying || !ok || speed <= 0) {
        resetDrift();
        return;
    }
    if (sinceSettle.elapsed() < settleMs)
        return;
    const QVector<double> offsets = measureOffsets();
    if (std::isnan(offsets[0]))
        return;
    bool far = false;
    for (int i = 1; i < channels.size(); ++i) {
        Channel &c = state[i];
        if (std::isnan(offsets[i]) || channels[i]->reportedPaused() || !c.wantPlaying) {
            forgetDrift(i);
            continue;
        }
        if (std::abs(offsets[i]) > strayPositionSeconds) {
            far = true;
            continue;
        }
        if (c.pulsing || (c.sincePulse.isValid() && !c.sincePulse.hasExpired(settleMs)))
            continue;
        c.drift.append(offsets[i]);
        if (c.drift.size() > driftWindow)
            c.drift.removeFirst();
        // Two frames or more in consecutive readings is no phase effect: act at once.
        const double resyncOffset = std::max(resyncThresholdSeconds, 4 * frameSeconds);
        c.wideReadings = std::abs(offsets[i]) > 1.5 * frameSeconds ? c.wideReadings + 1 : 0;
        if (c.wideReadings >= 2) {
            const double sign = offsets[i] > 0 ? 1 : -1;
            if (std::abs(offsets[i]) > resyncOffset)
                far = true;
            else
                startPulse(i, offsets[i] - sign * 0.5 * frameSeconds, speed);
            continue;
        }
        if (c.drift.size() < driftWindow)
            continue;
        const double d = mean(c.drift);
        if (std::abs(d) > resyncOffset)
            far = true;
        else if (std::abs(d) > correctFraction * frameSeconds)
            startPulse(i, d, speed);
    }
    if (far && sinceResync.elapsed() > minResyncIntervalMs)
        resync();
}

void ChannelGroup::startPulse(int index, double offset, double speed)
{
    // A channel ahead runs slower, one behind faster, just long enough to close the gap.
    const double rate = std::abs(offset) >= fastPulseFrames * frameSeconds ? fastPulseRate
                                                                           : pulseRate;
    const double seconds = std::min(maxPulseSeconds, std::abs(offset) / (rate * speed));
    Channel &c = state[index];
    c.drift.clear();
    c.wideReadings = 0;
    c.pulsing = true;
    const int generation = ++c.pulseGeneration;
    ++nudges;
    applySpeedFactor(index, offset > 0 ? 1.0 - rate : 1.0 + rate);
    QTimer::singleShot(qMax(1, qRound(seconds * 1000)), Qt::PreciseTimer, this,
                       [this, index, generation] { endPulse(index, generation); });
}

void ChannelGroup::endPulse(int index, int generation)
{
    Channel &c = state[index];
    if (!c.pulsing || c.pulseGeneration != generation)
        return;
    c.pulsing = false;
    applySpeedFactor(index, 1.0);
    c.sincePulse.start();
}

void ChannelGroup::resync()
{
    ++resyncs;
    sinceResync.restart();
    MpvWidget *clock = channels[0];
    clock->setMpvProperty(QStringLiteral("pause"), true);
    const QVariant pos = clock->mpvProperty(QStringLiteral("time-pos"));
    if (!pos.isValid()) {
        // Nothing to align to (the file is ending or being replaced): channel 1 goes on as it
        // was, never left paused while the others play.
        clock->setMpvProperty(QStringLiteral("pause"), !state[0].wantPlaying);
        return;
    }
    for (int i = 0; i < channels.size(); ++i) {
        if (!isIdle(i))
            state[i].wantPlaying = i == 0 || !rawPaused(i); // the view's paused channels stay
    }
    if (!seekPlayingTo(pos.toDouble()))
        channels[0]->setMpvProperty(QStringLiteral("pause"), false);
}

bool ChannelGroup::seekPlayingTo(double position)
{
    bool any = false;
    for (int i = 0; i < channels.size(); ++i) {
        Channel &c = state[i];
        if (isIdle(i) || !c.wantPlaying)
            continue;
        channels[i]->setMpvProperty(QStringLiteral("pause"), true);
        c.pulsing = false;
        ++c.pulseGeneration;
        applySpeedFactor(i, 1.0);
        const QVariant result = channels[i]->commandWithResult(QVariantList{
            QStringLiteral("seek"), position, QStringLiteral("absolute+exact")});
        if (!mpv::qt::isError(result)) {
            c.awaitingRestart = true;
            any = true;
        }
    }
    if (any)
        beginHold();
    return any;
}
