#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "channelgrouping.h"
#include "dashboard.h"
#include "drivecontroller.h"
#include "drivesettings.h"
#include "helpwindowdialog.h"
#include "keymap.h"
#include "live1form.h"
#include "live2form.h"
#include "live3form.h"
#include "recordinginfo.h"
#include "resumepositions.h"
#include "settingdialog.h"
#include "speedsteps.h"
#include "telemetryloader.h"
#include "telemetrypanel.h"
#include "toast.h"
#include "videoadjustwidget.h"
#include "videolibrary.h"
#include "webmapwidget.h"
#include "windowlook.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace {

const QString playIcon = QStringLiteral(":/images/icon_video_play.png");
const QString stopIcon = QStringLiteral(":/images/icon_video_stop.png");

} // namespace

const DriveSession *MainWindow::drive() const
{
    return driveController->session();
}

LiveForm *MainWindow::formInUse() const
{
    switch (formIndex) {
    case 0:
        return live1Form;
    case 1:
        return live2Form;
    case 2:
        return live3Form;
    default:
        return nullptr;
    }
}

bool MainWindow::handleKey(QKeyEvent *event)
{
    const KeyAction action = keyActionFor(event->key(), event->modifiers());
    switch (action) {
    case KeyAction::None:
        return false;
    case KeyAction::PlayPause:
        pauseResumeOnClick();
        break;
    case KeyAction::VolumeUp:
        changeVolumeBy(5);
        break;
    case KeyAction::VolumeDown:
        changeVolumeBy(-5);
        break;
    case KeyAction::Mute:
        toggleMute();
        break;
    case KeyAction::FullScreen:
        fullScreenOnClick();
        break;
    case KeyAction::LeaveFullScreen:
        if (!fullScreenActive)
            return false;
        leaveFullScreen();
        break;
    case KeyAction::FrameBack:
        lastOneFrmOnClick();
        break;
    case KeyAction::FrameForward:
        nextOneFrmOnClick();
        break;
    case KeyAction::RemoveEntry:
        removeSelectedEntry();
        break;
    case KeyAction::Info:
        showVideoInfo();
        break;
    case KeyAction::Resume:
        if (resumeOffer <= 0)
            return false;
        seekBy(resumeOffer - ui->videoSlide->value());
        resumeOffer = 0;
        break;
    case KeyAction::PreviousEvent:
    case KeyAction::NextEvent:
    case KeyAction::MarkIn:
    case KeyAction::MarkOut:
    case KeyAction::ExportRoute:
        return driveController->handleKey(action);
    default:
        seekBy(seekSecondsOf(action));
        break;
    }
    return true;
}

void MainWindow::seekBy(int seconds)
{
    LiveForm *form = formInUse();
    if (!form || form->isIdle())
        return;
    // Keys seek in drive time: past either end of the recording the drive goes on in the one
    // before or after it, as far into it as the step reaches.
    const int unbounded = ui->videoSlide->value() + seconds;
    if ((unbounded < 0 || unbounded > ui->videoSlide->maximum())
        && driveController->session()->drive().recordingCount() > 1 && driveController->now() >= 0) {
        driveController->jumpTo(driveController->now() + qint64(seconds) * 1000);
        return;
    }
    const int target = qBound(0, unbounded, ui->videoSlide->maximum());
    form->seekTo(target);
    // The labels, graph and map follow at once rather than at the next position report.
    videoPositionChanged(target);
}

void MainWindow::changeVolumeBy(int step)
{
    ui->volumeSlider->setValue(qBound(0, ui->volumeSlider->value() + step, 100));
}

void MainWindow::toggleMute()
{
    if (ui->volumeSlider->value() > 0) {
        volumeBeforeMute = ui->volumeSlider->value();
        ui->volumeSlider->setValue(0);
    } else {
        ui->volumeSlider->setValue(volumeBeforeMute > 0 ? volumeBeforeMute : 40);
        volumeBeforeMute = -1;
    }
}

void MainWindow::removeSelectedEntry()
{
    const int row = ui->listWidget->currentRow();
    if (row < 0 || row >= library->beans().size())
        return;
    library->confirmAndRemove(library->beans().at(row).filePath);
}

void MainWindow::applyDrivePreferences()
{
    driveController->applyPreferences();
    if (!ui->mapWidget->setTileSource(DriveSettings::tileSource(settings)))
        Toast::showToast(tr("The map tiles chosen could not be read; the online map is shown."),
                         nullptr);
}

void MainWindow::openFilesFromCommandLine(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    pendingOpenPaths = paths;
    library->addPaths(paths);
}

void MainWindow::onImportFinished()
{
    if (pendingOpenPaths.isEmpty())
        return;
    const QString first = pendingOpenPaths.first();
    pendingOpenPaths.clear();
    // Listed by this import or already before it.
    const int row = library->rowOfPath(first);
    if (row >= 0) {
        currentRow = row;
        ui->listWidget->setCurrentRow(row);
        openRow(row);
    }
}

// ---- playback state -------------------------------------------------------------------------

void MainWindow::setPlayIcon(bool playing)
{
    ui->playBtn->setIcon(QIcon(playing ? stopIcon : playIcon));
}

void MainWindow::pauseResumeOnClick()
{
    LiveForm *form = formInUse();
    const bool paused = form && form->isPaused();
    const bool idle = form && form->isIdle();
    if (idle)
        return;
    // Play at the end starts the recording again (the form seeks to its beginning).
    const bool restarting = paused && form && form->atEnd();
    setPlayIcon(paused);
    if (LiveForm *f = formInUse())
        f->setPlaying(paused);
    if (restarting)
        videoPositionChanged(0);
}

void MainWindow::resetPlayOnClick()
{
    if (LiveForm *form = formInUse()) {
        form->seekTo(0);
        form->setPlaying(false);
        videoPositionChanged(0);
    }
    setPlayIcon(false);
}

void MainWindow::lastOneFrmOnClick()
{
    LiveForm *form = formInUse();
    if (!form)
        return;
    if (!form->isPaused())
        setPlayIcon(false);
    form->frameBackStep();
}

void MainWindow::nextOneFrmOnClick()
{
    LiveForm *form = formInUse();
    const bool paused = form && form->isPaused();
    const bool idle = form && form->isIdle();
    if (!paused && !idle)
        setPlayIcon(false);
    if (LiveForm *f = formInUse())
        f->frameStep();
}

void MainWindow::speedSpinboxSlider(int value)
{
    qDebug("speed:%d", value);
    const QVariant speed = SpeedSteps::speedForStep(value);
    if (LiveForm *f = formInUse())
        f->setSpeed(speed);
}

void MainWindow::zoomSliderValue(int level)
{
    if (LiveForm *f = formInUse())
        f->setVideoZoom(level);
    ui->zoomSlider->setValue(level);
    ui->zoomValue->setText(QStringLiteral("%1X").arg(level + 1));
}

void MainWindow::zoomMaxOnClick()
{
    LiveForm *form = formInUse();
    const int zoom = form ? form->videoZoom().toInt() : 0;
    if (form && zoom + 1 <= 4) {
        form->setVideoZoom(zoom + 1);
        ui->zoomSlider->setValue(zoom + 1);
    }
}

void MainWindow::zoomMinOnClick()
{
    LiveForm *form = formInUse();
    const int zoom = form ? form->videoZoom().toInt() : 0;
    if (form && zoom - 1 >= 0) {
        form->setVideoZoom(zoom - 1);
        ui->zoomSlider->setValue(zoom - 1);
    }
}

void MainWindow::applyVolume(const QVariant &volume)
{
    if (LiveForm *f = formInUse())
        f->setVolume(volume);
    settings.writeValue(QStringLiteral("volume"), volume.toString());
}

void MainWindow::volumeSliderValue(int value)
{
    applyVolume(value);
    ui->volumeSlider->setValue(value);
    ui->volumeValueLabel->setText(QString::number(value));
    WindowLook::showVolumeIcon(ui, value);
}

void MainWindow::volumeMinOnClick()
{
    toggleMute();
}

void MainWindow::videoSliderValue(int position)
{
    if (LiveForm *f = formInUse())
        f->seekTo(position);
}

void MainWindow::brightSliderValue(int value)
{
    if (LiveForm *f = formInUse())
        f->setBrightness(value);
}

void MainWindow::saturationSliderValue(int value)
{
    if (LiveForm *f = formInUse())
        f->setSaturation(value);
}

void MainWindow::contrastSliderValue(int value)
{
    if (LiveForm *f = formInUse())
        f->setContrast(value);
}

void MainWindow::brightMax() { brightSliderValue(100); }
void MainWindow::brightMin() { brightSliderValue(-100); }
void MainWindow::saturationMax() { saturationSliderValue(100); }
void MainWindow::saturationMin() { saturationSliderValue(-100); }
void MainWindow::contrastMax() { contrastSliderValue(100); }
void MainWindow::contrastMin() { contrastSliderValue(-100); }
void MainWindow::brightResetOnClick() { brightSliderValue(0); }
void MainWindow::saturationResetOnClick() { saturationSliderValue(0); }
void MainWindow::contrastResetOnClick() { contrastSliderValue(0); }

void MainWindow::adAdjustResetOnClick()
{
    contrastSliderValue(0);
    saturationSliderValue(0);
    brightSliderValue(0);
}

void MainWindow::videoSwitchOnClick()
{
    if (formIndex == 1)
        live2Form->switchView();
    else if (formIndex == 2)
        live3Form->switchView();
    syncPlayIcon();
}

void MainWindow::syncPlayIcon()
{
    LiveForm *form = formInUse();
    setPlayIcon(form && !form->isIdle() && !form->isPaused());
}

void MainWindow::videoFileStart()
{
    setPlayIcon(true);
}

void MainWindow::videoFileLoaded()
{
    LiveForm *form = formInUse();
    if (form && !form->hasVideo())
        showNoVideo();
}

void MainWindow::showNoVideo()
{
    // A file of sound or data alone: the picture goes black by itself; the labels, graph and map
    // show this recording from its start (its route, if it has one).
    videoPositionChanged(0);
    Toast::showToast(tr("No video stream in %1").arg(QFileInfo(currentRecordingPath).fileName()),
                     nullptr);
}

void MainWindow::videoPause()
{
    // Channel 1 paused: by a control, or by reaching the end of its file. The icon tells what
    // the form will do, which is not a pause when it is only holding its channels for a seek.
    LiveForm *form = formInUse();
    if (!form)
        return;
    setPlayIcon(!form->isPaused());
    if (form->atEnd())
        recordingEnded();
}

void MainWindow::recordingEnded()
{
    // The recording holds its last frame. This is the one place that decides what follows the
    // end (today: nothing; playing the next clip of the same drive would start here).
    qDebug() << "recording ended";
}

// ---- still pictures and on-screen information -------------------------------------------------

void MainWindow::captureOnClick()
{
    LiveForm *form = formInUse();
    if (!form || form->isIdle())
        return;
    // The picture holds still while the folder is chosen; a paused recording stays paused.
    const bool wasPlaying = !form->isPaused();
    if (wasPlaying) {
        setPlayIcon(false);
        form->setPlaying(false);
    }
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Open file"), settings.readValue(QStringLiteral("capturePath")),
        QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        form->screenshot(folder);
    if (wasPlaying) {
        setPlayIcon(true);
        form->setPlaying(true);
    }
    if (!folder.isEmpty())
        Toast::showToast(tr("Image Saved"), nullptr);
}

void MainWindow::videoInfoOnClick()
{
    showVideoInfo();
}

void MainWindow::showVideoInfo()
{
    LiveForm *form = formInUse();
    if (!form)
        return;
    const QString text =
        recordingInfoText(form->width(), form->height(), panel->samples(), panel->layoutName());
    const QVariant expanded =
        form->commandWithResult(QVariantList{QStringLiteral("expand-text"), text});
    showOsdMessage(expanded.toString());
}

void MainWindow::showOsdMessage(const QString &text)
{
    // On the picture that is shown: channel 1 in one-channel play, the first channel on screen
    // in two- and three-channel play.
    LiveForm *form = formInUse();
    if (!form)
        return;
    if (text.isEmpty()) {
        form->setMpvOption(QStringLiteral("osd-msg1"), QString());
        form->setOsdInfoShown(false);
        return;
    }
    form->setMpvOption(QStringLiteral("osd-font-size"),
                       text.size() < 16 ? QStringLiteral("55") : QStringLiteral("28"));
    if (form->osdInfoShown()) {
        form->setOsdInfoShown(false);
        form->setMpvOption(QStringLiteral("osd-msg1"), QString());
    } else {
        form->setOsdInfoShown(true);
        form->setMpvOption(QStringLiteral("osd-msg1"), text);
    }
}

// ---- full screen, keys, dialogs ---------------------------------------------------------------

void MainWindow::fullScreenOnClick()
{
    if (fullScreenActive) {
        leaveFullScreen();
        return;
    }
    ui->rightWidget->hide();
    ui->widget_4->hide();
    showFullScreen();
    fullScreenActive = true;
    syncPlayIcon();
}

void MainWindow::leaveFullScreen()
{
    fullScreenActive = false;
    ui->rightWidget->show();
    // The telemetry panel comes back only for a recording that has something to show in it.
    ui->widget_4->setVisible(currentRecordingPath.isEmpty() || panel->hasTelemetry());
    showNormal();
    syncPlayIcon();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // The keys the window knows are taken before they get here (eventFilter).
    qDebug() << "keyPressEvent, unused key pressed:" << event->key();
    QMainWindow::keyPressEvent(event);
}

void MainWindow::setOnClick()
{
    settingDialog = new SettingDialog(nullptr);
    settingDialog->setAttribute(Qt::WA_DeleteOnClose);
    settingDialog->setModal(true);
    connect(settingDialog, &SettingDialog::updateTREvent, this, &MainWindow::updateTR);
    connect(settingDialog, &SettingDialog::drivePreferencesChanged, this,
            &MainWindow::applyDrivePreferences);
    connect(settingDialog, &SettingDialog::playModeChanged, this, &MainWindow::applyPlayMode);
    settingDialog->show();
}

void MainWindow::helpOnClick()
{
    helpDialog = new HelpWindowDialog(nullptr);
    helpDialog->setModal(true);
    helpDialog->setTitleText(tr("Help"));
    helpDialog->setKeys(KeyHelp::rows());
    helpDialog->show();
}

void MainWindow::updateTR()
{
    translationLoader.loadLanguage();
    // Labels that show the state of playback keep it: the generated re-translation would put
    // back the form's start texts ("00:00", "40", "1X").
    const QList<QLabel *> live{ui->currentTimeLabel, ui->totalTimeLabel, ui->volumeValueLabel,
                               ui->zoomValue, ui->xCoordLabel, ui->yCoordLabel, ui->zCoordLabel,
                               ui->speedLabel};
    QStringList shown;
    for (QLabel *label : live)
        shown << label->text();
    ui->retranslateUi(this);
    for (int i = 0; i < live.size(); ++i)
        live.at(i)->setText(shown.at(i));
    setWindowTitle(QStringLiteral("KORVELL ZEVIDUD PLAYER"));
    WindowLook::setToolTips(ui, findChild<QToolButton *>(QStringLiteral("exportBtn")));
    if (driveController)
        driveController->retranslate();
    ui->mapWidget->setFollowTooltip(tr("Follow the car"));
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        // Only keys meant for this window: a dialog's text field keeps its own keys.
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == this && !QApplication::activeModalWidget()
            && handleKey(static_cast<QKeyEvent *>(event)))
            return true;
        return QMainWindow::eventFilter(watched, event);
    }
    // A double click on the picture toggles full screen (the picture also re-centres itself).
    if (event->type() == QEvent::MouseButtonDblClick && watched != adjustWidget
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        auto *widget = qobject_cast<QWidget *>(watched);
        // On a picture itself: a click that bubbles up to its form is the same double click.
        if (widget && widget->inherits("MpvWidget") && ui->stackedWidget->isAncestorOf(widget))
            QTimer::singleShot(0, this, &MainWindow::fullScreenOnClick);
    }
    if (watched == adjustWidget) {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            adjustWidget->setResetText(tr("Reset"));
        else if (event->type() == QEvent::MouseMove)
            unsetCursor();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveWindowState();
    rememberPosition();
    if (LiveForm *f = formInUse())
        f->stop();
    event->accept();
    QCoreApplication::quit();
}

// ---- library ----------------------------------------------------------------------------------

void MainWindow::addVideoOnClick()
{
    library->addVideoOnClick();
}

void MainWindow::removeVideoOnClick()
{
    library->removeVideoOnClick();
}

void MainWindow::sortVideoOnClick()
{
    library->sortVideoOnClick();
}

void MainWindow::ItemOnClicked(QListWidgetItem *)
{
    qDebug() << "currenSelectRow:" << ui->listWidget->currentRow();
}

void MainWindow::ItemDoubleClicked(QListWidgetItem *)
{
    currentRow = ui->listWidget->currentRow();
    openRow(currentRow);
}

void MainWindow::openRow(int row)
{
    const QList<FileBean> &beans = library->beans();
    if (row < 0 || row >= beans.size())
        return;
    const FileBean bean = beans.at(row);
    const QFileInfo info(bean.filePath);
    if (info.exists() && info.isFile()) {
        library->setCurrentFile(bean);
        openRecording(bean);
    } else {
        library->restoreVideoList();
        library->refreshVideoList();
    }
}

void MainWindow::lastFileOnClick()
{
    openNeighbour(-1);
}

void MainWindow::nextFileOnClick()
{
    openNeighbour(1);
}

void MainWindow::openNeighbour(int step)
{
    // By recording within the drive; past its ends, the list's neighbour that is not another
    // channel of the recording open now.
    int target = driveController->neighbourRow(step);
    const QList<FileBean> &beans = library->beans();
    if (target < 0) {
        target = neighbourRow(currentRow, beans.size(), step);
        while (target >= 0 && openedChannels.contains(beans.at(target).filePath))
            target = neighbourRow(target, beans.size(), step);
    }
    if (target < 0)
        return;
    currentRow = target;
    qDebug("current row:%d", currentRow);
    ui->listWidget->setCurrentRow(currentRow);
    const FileBean bean = beans.at(currentRow); // a copy: opening may rebuild the list
    openRecording(bean);
}

// ---- opening a recording ----------------------------------------------------------------------

void MainWindow::stopAllForms()
{
    live1Form->seekTo(0);
    live1Form->setPlaying(false);
    live2Form->seekTo(0);
    live2Form->setPlaying(false);
    live3Form->seekTo(0);
    live3Form->setPlaying(false);
}

void MainWindow::openChannelGroup(const FileBean &bean)
{
    const int playMode = settings.readInt(QStringLiteral("playMode"));
    const ChannelChoice group = groupChannels(bean, library->beans(), playMode);
    formIndex = group.formIndex;
    stopAllForms();
    applyVolume(storedVolume());
    const QStringList &paths = group.paths;
    openedChannels = paths;
    // The files open at the moment asked for: a seek after the load would first show, and
    // report, the beginning. The seek at the duration report still follows, harmlessly.
    if (pendingSeekSeconds > 0 && formInUse() != nullptr)
        formInUse()->startNextAt(pendingSeekSeconds);
    switch (formIndex) {
    case 0:
        ui->stackedWidget->setCurrentWidget(live1Form);
        live1Form->play(paths.value(0));
        break;
    case 1:
        ui->stackedWidget->setCurrentWidget(live2Form);
        live2Form->play(paths.value(0), paths.value(1));
        break;
    case 2:
        ui->stackedWidget->setCurrentWidget(live3Form);
        live3Form->play(paths.value(0), paths.value(1), paths.value(2));
        break;
    default:
        break;
    }
}

void MainWindow::rememberPosition()
{
    if (!currentRecordingPath.isEmpty())
        ResumePositions::store(currentRecordingPath, ui->videoSlide->value(),
                               ui->videoSlide->maximum());
}

void MainWindow::openRecording(const FileBean &bean)
{
    rememberPosition();
    // Within the drive on the map its route stays; anything else starts afresh.
    const Drive &drive = driveController->session()->drive();
    panel->clear(drive.recordingCount() > 1 && drive.indexOfPath(bean.filePath) >= 0);
    openChannelGroup(bean);
    showRecordingTelemetry(bean.filePath);
    driveController->recordingOpened(formInUse(), formIndex, openedChannels);

    // Where this recording was left last time is offered, not forced; not when a jump in the
    // drive opened it at a moment of its own.
    resumeOffer = pendingSeekSeconds >= 0 ? 0 : ResumePositions::load(currentRecordingPath);
    if (resumeOffer > 0)
        Toast::showToast(tr("Left at %1 last time: press R to continue there.")
                             .arg(Dashboard::timeLabelText(resumeOffer)),
                         nullptr);
}

void MainWindow::showRecordingTelemetry(const QString &path)
{
    currentRecordingPath = path;
    settings.writeValue(QStringLiteral("lastRecording"), path);
    const TelemetryLoad load = loadTelemetry(currentRecordingPath, &mp4Reader);
    qDebug("mAssistInfos:%d", int(load.samples.size()));
    panel->showRecording(load);
}

// ---- the drive ---------------------------------------------------------------------------------

void MainWindow::recordingAdvanced()
{
    rememberPosition();
    const QString path = driveController->advance();
    if (path.isEmpty())
        return;
    openedChannels = driveController->playingChannels();
    const int row = library->rowOfPath(path);
    if (row >= 0) {
        currentRow = row;
        ui->listWidget->setCurrentRow(row);
        library->setCurrentFile(library->beans().at(row));
    }
    panel->clear(true);
    showRecordingTelemetry(path);
}

void MainWindow::jumpToDriveTime(qint64 driveMs)
{
    driveController->jumpTo(driveMs);
}

void MainWindow::openRowAt(int row, int seconds)
{
    // The seek waits for the recording's duration: before it the player has nothing to seek in.
    pendingSeekSeconds = seconds;
    currentRow = row;
    ui->listWidget->setCurrentRow(row);
    openRow(row);
}

void MainWindow::applyPlayMode()
{
    // The recording playing opens again with the channels the mode gives, at the same moment
    // and paused or playing as it was.
    const int row = currentRecordingPath.isEmpty() ? -1 : library->rowOfPath(currentRecordingPath);
    LiveForm *form = formInUse();
    if (row < 0 || form == nullptr || form->isIdle())
        return;
    pauseWhenLoaded = form->isPaused();
    openRowAt(row, ui->videoSlide->value());
}

void MainWindow::reopenLastRecording()
{
    const QString path = settings.readValue(QStringLiteral("lastRecording"));
    const int row = path.isEmpty() ? -1 : library->rowOfPath(path);
    // Files named on the command line are what the user asked for this time.
    if (row < 0 || !QFileInfo::exists(path) || !currentRecordingPath.isEmpty()
        || !pendingOpenPaths.isEmpty())
        return;
    pauseWhenLoaded = true;
    openRowAt(row, ResumePositions::load(path));
}

void MainWindow::seekToGraphKey(double key)
{
    // The graph is keyed by the playback second.
    seekBy(qRound(key) - ui->videoSlide->value());
}

void MainWindow::videoDuration(int duration)
{
    if (duration == 0)
        return;
    ui->videoSlide->setRange(0, duration);
    totalTimeText = Dashboard::timeLabelText(duration);
    ui->totalTimeLabel->setText(totalTimeText);
    qDebug() << "duration:" << duration << ",size:" << panel->samples().size();
    panel->setDuration(duration);
    if (pendingSeekSeconds >= 0) {
        const int target = qMin(pendingSeekSeconds, duration);
        pendingSeekSeconds = -1;
        if (LiveForm *form = formInUse())
            form->seekTo(target);
        videoPositionChanged(target);
    }
    if (pauseWhenLoaded) {
        pauseWhenLoaded = false;
        if (LiveForm *form = formInUse())
            form->setPlaying(false);
        setPlayIcon(false);
    }
}

void MainWindow::videoPositionChanged(int position)
{
    driveController->setPosition(position);
    ui->videoSlide->setValue(position);
    currentTimeText = Dashboard::timeLabelText(position);
    ui->currentTimeLabel->setText(currentTimeText);
    panel->showPosition(position);
}
