#pragma once

#include "drivesession.h"
#include "keymap.h"
#include "settingsstore.h"

#include <QObject>
#include <QStringList>

class ExportActions;
class LiveForm;
class Slider;
class TelemetryPanel;
class QToolButton;
class VideoLibrary;

// What the drive around the open recording means for playback: going on into the next
// recording at the end of one, previous and next by recording, the drive's route and events on
// the map and the seek bar, jumps to a moment of the drive (events, route, graph) and the export
// menu. The window tells it what opened and where playback is; it answers with the seeks and
// openings the window carries out.
class DriveController : public QObject
{
    Q_OBJECT
public:
    DriveController(VideoLibrary *library, Slider *seekBar, TelemetryPanel *panel,
                    QObject *parent = nullptr);

    const DriveSession *session() const { return m_session; }
    // The export button beside the capture button (needs a window for its dialogs).
    void setUpExport(QToolButton *button, QWidget *window);
    void retranslate();

    // A recording opened: form plays channels (the first is the recording's own file) in the
    // view formIndex, and the panel holds its telemetry.
    void recordingOpened(LiveForm *form, int formIndex, const QStringList &channels);
    // Playback is at seconds into the recording (the seek bar's value).
    void setPosition(int seconds) { m_position = seconds; }
    // The drive time playback is at in ms; -1 when nothing plays.
    qint64 now() const;
    // The form went on into the recording queued for it: the session follows, and the path of
    // the recording now playing is returned (empty when nothing was queued).
    QString advance();
    // The channels the form plays since advance().
    const QStringList &playingChannels() const { return m_channels; }
    // The list row of the next (1) or previous (-1) recording of the drive, -1 past its ends.
    int neighbourRow(int step) const;

    void stepEvent(int step);
    void jumpTo(qint64 driveMs);
    // MarkIn, MarkOut, ExportRoute, PreviousEvent, NextEvent; false for any other action.
    bool handleKey(KeyAction action);
    // The settings dialog changed the continue setting or the event threshold.
    void applyPreferences();

signals:
    // A seek within the recording playing, to seconds.
    void seekRequested(int seconds);
    // Another recording of the drive: open the list's row, then seek to seconds.
    void openRequested(int row, int seconds);
    void message(const QString &text);

private:
    // The channels of the recording after the one playing when playback may go on into it: the
    // setting allows it, it is in the list, and it plays in the same view. Empty otherwise.
    QStringList nextRecordingChannels() const;
    void queueNext();
    void onDriveChanged();
    void onSamplesChanged();
    void showClipEvents();

    VideoLibrary *m_library;
    Slider *m_seekBar;
    TelemetryPanel *m_panel;
    DriveSession *m_session;
    ExportActions *m_export = nullptr;
    SettingsStore m_settings;
    LiveForm *m_form = nullptr;
    int m_formIndex = -1;
    int m_position = 0;
    QStringList m_channels; // what the form plays
    QStringList m_queued;   // what it goes on with at the end, empty for nothing
};
