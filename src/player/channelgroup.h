#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QVector>

class MpvWidget;

// Drives the channels of one recording as a single player. Channel 1 (index 0) is the clock.
//
// Independent "loadfile" calls leave the cameras 33-167 ms apart and frame drops under load add
// to it, so starts and seeks are made together: every channel is held paused until each one has
// restarted playback at the new position, then all are released in the same breath. Pauses land
// on the cores at different moments, so a resume whose paused clocks disagree is made the same
// way, as a seek to channel 1's frame.
//
// While they play, a watchdog compares each channel with channel 1. time-pos moves in whole
// frames, so it reads at intervals that walk through the frame period and averages a window of
// readings into the sub-frame offset. A channel off by more than about a third of a frame gets a timed
// speed pulse sized to close the gap, at once when it is two frames away; a channel far away
// makes the group re-seek.
//
// A drive continues into its next recording through each core's playlist: the next clip is
// queued (and prefetched) on every core and starts paused, so each core moves on by itself at
// the end of its clip and shows the next clip's first frame; once every channel shows it, all
// are released together, as after a start. Waiting on the cores from the GUI thread while they
// change files would stall them: libmpv's video output waits up to 200 ms for this thread to
// render while the core waits for the output, so nothing on that path reads a property.
class ChannelGroup : public QObject
{
    Q_OBJECT

public:
    explicit ChannelGroup(const QVector<MpvWidget *> &channels, QObject *parent = nullptr);

    int count() const { return int(channels.size()); }
    MpvWidget *channel(int index) const { return channels.value(index); }

    // Loads paths[i] into channel i (paths are passed on unchanged) and starts them together.
    void load(const QStringList &paths);
    // The next load starts at this second instead of the beginning (0: the beginning).
    void setNextStart(int seconds) { nextStartSeconds = qMax(0, seconds); }
    // paths[i] follows channel i's file when it ends; an empty list (or an empty path) queues
    // nothing for that channel, which then ends as without a queue. Replaces what was queued.
    void setNext(const QStringList &paths);
    // True from the moment a channel moves on to its queued file until all are released.
    bool isAdvancing() const { return advancing; }
    void setPlaying(bool playing);
    void setChannelPlaying(int index, bool playing);
    // The paused state the channel has, or will have once the pending start or seek completes.
    bool isChannelPaused(int index) const;
    void seekTo(int seconds);
    void frameStep();
    void frameBackStep();
    void setSpeed(const QVariant &speed);
    void setOnAll(const QString &name, const QVariant &value);
    // One PNG per channel, one after the other: each player numbers its file by the first free
    // name in the folder, so the next may only start once the previous file is written.
    void screenshot(const QString &folder);
    void stop();

    // True while channels are held for a start, a seek, a re-sync or a screenshot.
    bool isHolding() const;

    // Position of each channel minus channel 1's at one instant, in seconds; NaN where a channel
    // is not playing a file. Index 0 is always 0 when channel 1 plays.
    QVector<double> measureOffsets() const;
    // Sub-frame estimate of each channel's offset from channel 1 (seconds): the mean of the
    // watchdog's window of readings; NaN until the window is full.
    QVector<double> frameClockOffsets() const;
    int resyncCount() const { return resyncs; }
    int nudgeCount() const { return nudges; }

signals:
    // Held channels have been released together (after a start, a seek or a re-sync).
    void released();
    // Every channel has moved on to its queued file and plays it (emitted after released()).
    void advanced();
    void screenshotsFinished();

private:
    struct Channel
    {
        bool awaitingRestart = false;
        bool expectStart = false; // a load is pending: events before its start-file are stale
        bool wantPlaying = false;
        double speedFactor = 1.0;
        QVector<double> drift;
        int wideReadings = 0;
        QElapsedTimer sincePulse; // started when a pulse ends
        // A speed pulse is running; it ends by itself (endPulse) with this generation.
        bool pulsing = false;
        int pulseGeneration = 0;
        bool hasFile = false;  // loaded by load(), not idle for want of a path
        bool hasNext = false;  // a file is queued after the current one
        bool forcedNext = false; // sent on to its queued file by the group
        int entry = 0;         // files started since load(): 0 is the loaded one
        qint64 loadedId = 0;   // playlist entry id of the file load() sent; 0 when unknown
    };

    // Events of a playlist entry older than the loaded one (still queued when load() ran).
    bool isStale(int index, qint64 entryId) const;
    void onStartFile(int index, qint64 entryId);
    void onAdvance(int index);
    // Sends channels still on the previous file on to their queued one.
    void forceLaggards(bool onlyPaused);
    void onEndFile(int index, qint64 entryId);
    void onRestart(int index);
    void onCommandReply(int index, quint64 id, int error);
    void beginHold();
    void maybeRelease();
    void release();
    void nextScreenshot();
    void watchdogTick();
    void startPulse(int index, double offset, double speed);
    void endPulse(int index, int generation);
    void resync();
    // Pauses the channels to play, seeks them exactly to `position` and holds until they have
    // restarted. False when there was nothing to wait for.
    bool seekPlayingTo(double position);
    bool pausedOutOfStep() const;
    void applySpeedFactor(int index, double factor);
    void confirmPauseStates();
    // Forgets the readings so far (they belong to another speed, position or pause) and ends
    // any speed pulse.
    void resetDrift();
    // Drops a channel's drift readings and ends its speed pulse.
    void forgetDrift(int index);
    bool isIdle(int index) const;
    bool rawPaused(int index) const;

    QVector<MpvWidget *> channels;
    QVector<Channel> state;
    bool holdingForRestart = false;
    bool advancing = false;
    int advanceEntry = 0;
    QVector<int> screenshotQueue;
    quint64 screenshotReplyId = 0;
    quint64 nextReplyId = 1;
    QString screenshotFolder;
    QTimer fallback;
    QTimer watchdog;
    QElapsedTimer sinceResync;
    QElapsedTimer sinceSettle;
    QVariant baseSpeed = 1.0;
    double frameSeconds = 1.0 / 30.0;
    int resyncs = 0;
    int nudges = 0;
    int nextStartSeconds = 0;
};
