#pragma once

#include <QVariant>
#include <QVector>
#include <QWidget>

class ChannelGroup;
class MpvWidget;

// What the one-, two- and three-channel forms share: the relay of channel 1's notifications and
// the fan-out of every playback operation to all channels through one ChannelGroup.
class LiveForm : public QWidget
{
    Q_OBJECT

public:
    // The next recording played starts at this second (reopening where it was left).
    void startNextAt(int seconds);
    explicit LiveForm(QWidget *parent = nullptr);
    ~LiveForm() override;

    // With stop at end, every channel stays on its last frame when its file ends (mpv keeps the
    // file open, paused) instead of going black; playing then starts from the beginning.
    void setStopAtEnd(bool stop);
    // Channel 1 has played to the end of its file and holds its last frame.
    bool atEnd() const;
    void setPlaying(bool playing);
    bool isPaused() const;
    bool isIdle() const;
    // Whether the recording on screen has a picture; a file of sound or data alone has none.
    bool hasVideo() const;
    QVariant videoZoom() const;
    void seekTo(int seconds);
    void frameStep();
    void frameBackStep();
    void setBrightness(int value);
    void setContrast(int value);
    void setSaturation(int value);
    void setVideoZoom(int value);
    void setSpeed(const QVariant &value);
    // Only visible channels get sound; with every channel visible only channel 1 does.
    void setVolume(const QVariant &value);
    void screenshot(const QString &folder);
    void stop();

    // The information text goes to the first channel on screen (in a two- or three-channel
    // view a single channel may be shown alone): its commands, options and shown state.
    QVariant commandWithResult(const QVariant &params);
    void setMpvOption(const QString &name, const QString &value);
    bool osdInfoShown() const;
    void setOsdInfoShown(bool shown);

    ChannelGroup *channelGroup() const { return group; }
    // The recording that continues this one, channel paths in the order of play(): when the
    // current recording ends, every channel moves on to it by itself, in step, and
    // LiveRecordingAdvanced follows. An empty list cancels; the recording then stops on its
    // last frame (with stop at end). Called again after each advance for the one after.
    void setNextRecording(const QStringList &paths);

signals:
    void LiveDuration(int value);
    void LivePositionChanged(int value);
    void LiveStartFile();
    void LiveFileLoaded();
    // The recording on screen has nothing the player can show or sound.
    void LiveNothingToPlay();
    void LivePause();
    void LiveEndFile();
    // The queued recording plays now on every channel; LiveDuration and LivePositionChanged
    // of the new recording follow at once (none of it is relayed while the channels move on).
    void LiveRecordingAdvanced();

public slots:
    void setSliderRange(int duration);
    void positionChanged(int pos);
    void on_START_FILE();
    void on_FILE_LOADED();
    void on_PAUSE();
    void on_END_FILE();

protected:
    // Called by each form once its generated layout exists; channels in order 1, 2, 3.
    void attachChannels(const QVector<MpvWidget *> &list);
    void loadChannels(const QStringList &paths);
    MpvWidget *channel(int index) const { return channels.value(index); }
    bool channelPaused(int index) const;
    void setChannelPlaying(int index, bool playing);
    // Channel 1 keeps its volume (read and written back); every other channel is muted.
    void muteAllButFirst();

private:
    bool fromFirstChannel() const;
    void onAdvanced();
    // The first channel on screen: the one whose clock and state the window shows.
    int drivingIndex() const;
    MpvWidget *shownChannel() const;

    QVector<MpvWidget *> channels;
    ChannelGroup *group = nullptr;
};
