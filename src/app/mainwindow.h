#pragma once

#include "assistinfo.h"
#include "filebean.h"
#include "mp4v2parsefile.h"
#include "settingsstore.h"
#include "telemetrypanel.h"
#include "translationloader.h"

#include <QMainWindow>
#include <QPointer>
#include <QVariant>

#include <memory>

namespace Ui {
class MainWindow;
}
class Live1Form;
class Live2Form;
class Live3Form;
class LiveForm;
class QListWidgetItem;
class VideoAdjustWidget;
class VideoLibrary;
class DriveController;
class DriveSession;
class SettingDialog;
class HelpWindowDialog;

// The controller of playback: owns the three channel forms, routes every control to the form in
// use, keeps the controls and the telemetry display in step with playback.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Files named on the command line: imported like added files, the first opened afterwards.
    void openFilesFromCommandLine(const QStringList &paths);

    int currentFormIndex() const { return formIndex; }
    const AssistInfoList &assistInfos() const { return panel->samples(); }
    int currentLayoutCode() const { return panel->layoutCode(); }
    // The drive around the open recording.
    const DriveSession *drive() const;
    VideoLibrary *videoLibrary() const { return library; }
    // Size, position, splitter and full screen, remembered from one run to the next: written on
    // close, read by the next window.
    void saveWindowState();
    // Stores where the open recording is, to be offered when it is opened again.
    void rememberPosition();

public slots:
    void openRecording(const FileBean &bean);
    void openChannelGroup(const FileBean &bean);
    void showVideoInfo();
    void showOsdMessage(const QString &text);
    // Plays the drive from driveMs on: seeks, or opens the recording it falls in first.
    void jumpToDriveTime(qint64 driveMs);
    // A click or drag on the G graph at a key of its key axis.
    void seekToGraphKey(double key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    // The list's drops and each row's delete button go straight to the VideoLibrary.
    void addVideoOnClick();
    void removeVideoOnClick();
    void sortVideoOnClick();
    void fullScreenOnClick();
    void pauseResumeOnClick();
    void resetPlayOnClick();
    void setOnClick();
    void helpOnClick();
    void volumeMinOnClick();
    void zoomMinOnClick();
    void zoomMaxOnClick();
    void brightResetOnClick();
    void saturationResetOnClick();
    void contrastResetOnClick();
    void captureOnClick();
    void lastOneFrmOnClick();
    void nextOneFrmOnClick();
    void slowPlayOnClick() {}
    void quickPlayOnClick() {}
    void lastFileOnClick();
    void nextFileOnClick();
    void videoSwitchOnClick();
    void videoInfoOnClick();
    void ItemDoubleClicked(QListWidgetItem *item);
    void ItemOnClicked(QListWidgetItem *item);
    void saveFileClick() {}
    void playModeOnClick() {}
    void zoomSliderValue(int level);
    void volumeSliderValue(int value);
    void videoSliderValue() {}
    void videoSliderValue(int position);
    void onTimeSliderLeave() {}
    void onTimeSliderHover(int, int) {}
    void brightSliderValue(int value);
    void saturationSliderValue(int value);
    void contrastSliderValue(int value);
    void brightMax();
    void brightMin();
    void saturationMax();
    void saturationMin();
    void contrastMax();
    void contrastMin();
    void adAdjustResetOnClick();
    void speedSpinboxSlider(int value);
    void videoDuration(int duration);
    void videoPositionChanged(int position);
    void videoFileStart();
    void videoFileLoaded();
    // The recording has no picture, and the window says so.
    void showNoVideo();
    void videoPause();
    void videoFileEnd() {}
    // Playback went on into the next recording of the drive by itself.
    void recordingAdvanced();
    void updateTR();
    void onImportFinished();

private:
    void setUpControls();
    void setUpForms();
    void setUpKeys();
    void restoreWindowState();
    // Does what the key means in this window; false for keys it leaves alone.
    bool handleKey(QKeyEvent *event);
    // Moves playback by seconds from the current position, within the recording.
    void seekBy(int seconds);
    void changeVolumeBy(int step);
    void toggleMute();
    void removeSelectedEntry();
    void setPlayIcon(bool playing);
    // The icon from what the form in use does now.
    void syncPlayIcon();
    // Every channel stopped on its last frame at the end of the recording.
    void recordingEnded();
    void leaveFullScreen();
    void openRow(int row);
    // Opens the entry step rows from the one opened last (previous -1, next +1).
    void openNeighbour(int step);
    void applyVolume(const QVariant &volume);
    void stopAllForms();
    // Reads a recording's telemetry and shows it (opening, or going on into it).
    void showRecordingTelemetry(const QString &path);
    // Opens a row of the list, then seeks to seconds once the recording has its duration.
    void openRowAt(int row, int seconds);
    // The recording open when the player was closed comes back where it was left, paused.
    void reopenLastRecording();
    // A play mode chosen in the settings applies to the recording playing.
    void applyPlayMode();
    void setUpExport();
    // Settings of drives, events and tiles changed in the settings dialog.
    void applyDrivePreferences();

    // The form that formIndex names; null outside 0..2, and every control then does nothing.
    LiveForm *formInUse() const;

    Ui::MainWindow *ui = nullptr;
    Live1Form *live1Form = nullptr;
    Live2Form *live2Form = nullptr;
    Live3Form *live3Form = nullptr;
    int formIndex = 0;
    int currentRow = -1;
    bool fullScreenActive = false;
    int resumeOffer = 0;       // seconds offered by the last opening (key R), 0 for none
    int volumeBeforeMute = -1; // the volume to return to when muted by M; -1 while not muted
    QString totalTimeText;
    QString currentTimeText;
    QString currentRecordingPath;
    QStringList openedChannels; // the files the form in use plays
    int pendingSeekSeconds = -1; // where to go once the recording opening has its duration
    bool pauseWhenLoaded = false; // the recording opening stops at its first picture
    QStringList pendingOpenPaths;

    SettingsStore settings;
    TranslationLoader translationLoader;
    mp4v2ParseFile mp4Reader;
    std::unique_ptr<TelemetryPanel> panel;
    DriveController *driveController = nullptr;
    VideoLibrary *library = nullptr;
    VideoAdjustWidget *adjustWidget = nullptr;
    QPointer<SettingDialog> settingDialog;
    QPointer<HelpWindowDialog> helpDialog;
};
