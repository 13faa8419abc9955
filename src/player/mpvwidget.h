#pragma once

#include "mpvnode.h"
#include "settingsstore.h"

#include <QPoint>
#include <QVariant>
#include <QWidget>

class MpvSurface;
class QWindow;
struct mpv_handle;
struct mpv_event_property;

// One libmpv player rendered through the render API. libmpv's events are turned into Qt signals
// on the GUI thread; dragging the picture pans it.
//
// The picture is drawn into a native child window (MpvSurface) that covers the widget. A widget
// that has child widgets of its own is only a container (the window's video area) and gets no
// picture surface.
class MpvWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MpvWidget(QWidget *parent = nullptr, Qt::WindowFlags f = {});
    ~MpvWidget() override;

    QSize sizeHint() const override { return QSize(960, 540); }

    void command(const QVariant &params);
    QVariant commandWithResult(const QVariant &params);
    // Queues the command and returns at once; commandReplied(replyId, error) follows.
    // Returns false when libmpv refused to queue it.
    bool commandAsync(const QVariant &params, quint64 replyId);
    void setMpvProperty(const QString &name, const QVariant &value);
    // Queues the write without waiting for the player core (used to unpause channels together).
    void setMpvPropertyAsync(const QString &name, const QVariant &value);
    QVariant mpvProperty(const QString &name) const;
    void setMpvOption(const QString &name, const QString &value);
    void setVolume(const QVariant &value);
    // Whether the file loaded has a video stream (asks the player core).
    bool hasVideo() const;

    bool osdInfoShown() const { return m_osdInfoShown; }
    // Last "pause" value libmpv reported; lags a set by one event round trip, never blocks.
    bool reportedPaused() const { return lastPaused; }
    // Last "time-pos" and "duration" libmpv reported (seconds; NaN while there is none). Read
    // without asking the player core, which may be busy opening the next file and waiting for
    // this very thread to render.
    double reportedTimePos() const { return lastTimePos; }
    double reportedDuration() const { return lastDuration; }
    // Last "eof-reached": the file has played to its end and (keep-open) holds its last frame.
    bool reportedEofReached() const { return lastEofReached; }
    void setOsdInfoShown(bool shown) { m_osdInfoShown = shown; }
    // The native window the picture is drawn into (null for a container or before first show).
    QWindow *surfaceWindow() const;

signals:
    void durationChanged(int value);
    void positionChanged(int value);
    // With the playlist entry of the file: entry ids only grow, so an event of an entry older
    // than the one last loaded belongs to a file that was replaced before its events were read.
    void mpv_on_START_FILE(qint64 playlistEntryId);
    void mpv_on_FILE_LOADED();
    void mpv_on_PAUSE();
    void mpv_on_END_FILE(qint64 playlistEntryId);
    // The file opened holds neither video nor audio that could play (data or subtitles alone):
    // the player gave it up before it was loaded.
    void nothingToPlay();
    // Playback (re)started after a load or a seek: the first frame of the new position is ready.
    void playbackRestarted();
    // Every position libmpv reports, unrounded: one per frame shown while playing.
    void framePositionChanged(double seconds);
    // A picture was rendered (shown on screen, or rendered unseen while not exposed).
    void frameRendered();
    void commandReplied(quint64 replyId, int error);

public slots:
    void on_mpv_events();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void handleEvent(const struct mpv_event *event);
    void handlePropertyChange(const mpv_event_property *property);
    void onDurationChange(const mpv_event_property *property);
    void onTimePosChange(const mpv_event_property *property);
    void onPauseChange(const mpv_event_property *property);
    void onFileFormatChange(const mpv_event_property *property);
    void onEofReachedChange(const mpv_event_property *property);

    static void wakeupCallback(void *ctx);

    mpv_handle *mpvHandle = nullptr;
    MpvSurface *surface = nullptr;
    QWidget *surfaceContainer = nullptr;
    bool m_osdInfoShown = false;
    QPoint pressPos;
    QPoint pressFrameTopLeft;
    bool mouseSeen = false;
    SettingsStore settings;
    // Last whole second reported by positionChanged; the window's per-second work (labels, map,
    // graph) runs only when it changes, not on every frame.
    int lastWholeSecond = -1;
    bool lastPaused = false;
    double lastTimePos;
    double lastDuration;
    bool lastEofReached = false;
};
