#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "channelgrouping.h"
#include "dashboard.h"
#include "gsensorgraph.h"
#include "helpwindowdialog.h"
#include "keymap.h"
#include "live1form.h"
#include "live2form.h"
#include "live3form.h"
#include "mapscript.h"
#include "resumepositions.h"
#include "settingdialog.h"
#include "speedsteps.h"
#include "telemetryloader.h"
#include "toast.h"
#include "videoadjustwidget.h"
#include "videolibrary.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QWebEnginePage>
#include <QWidgetAction>

namespace {

const QString playIcon = QStringLiteral(":/images/icon_video_play.png");
const QString stopIcon = QStringLiteral(":/images/icon_video_stop.png");
const QString plainLabelStyle = QStringLiteral("background-color:#00000000;font-size:14px;color:#ffffff;");

const char *infoTemplate =
    "Filename : ${filename}\n"
    "Size : ${file-size}, Format : ${file-format}, Demuxer : ${current-demuxer}\n"
    "Duration : ${duration}, Pos : ${time-pos}\n"
    "Video format : ${video-format}, Video Codec : ${video-codec}\n"
    "Pixel format : ${video-params/pixelformat}\n"
    "Average BPP : ${video-params/average-bpp}\n"
    "Video size : ${width}x${height}\n"
    "Display size : %2x%3\n"
    "hwdec current : ${hwdec-current}\n"
    "hwdec interop : ${hwdec-interop}\n"
    "hwdec : ${hwdec}\n"
    "Video aspect : ${video-aspect}\n"
    "Video bitrate : ${video-bitrate}\n"
    "Audio bitrate : ${audio-bitrate}\n"
    "version : %4\n"
    "Gps Item:%5\n";

// The telemetry line of the information text, when the recording's layout has a name.
QString layoutLine(const QString &name)
{
    if (name.isEmpty())
        return QString();
    // mpv expands "${...}" in the text: a name never holds one, but "$" is escaped all the same.
    QString escaped = name;
    escaped.replace(QLatin1Char('$'), QLatin1String("$$"));
    return QStringLiteral("Telemetry : ") + escaped + QLatin1Char('\n');
}

} // namespace

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

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    settings.initDefaults();
    updateTR();

    library = new VideoLibrary(ui->listWidget, ui->sortVideoBtn, this);
    library->restoreVideoList();
    setUpControls();
    library->refreshVideoList();
    setUpForms();
    setUpKeys();
    restoreWindowState();
    connect(library, &VideoLibrary::importFinished, this, &MainWindow::onImportFinished);
    connect(library, &VideoLibrary::saveFailed, this, [this](const QString &reason) {
        Toast::showToast(tr("The file list could not be saved (%1). It is kept until the next "
                            "save succeeds.")
                             .arg(reason),
                         nullptr);
    });
}

void MainWindow::setUpKeys()
{
    // Keys belong to the window, not to whichever control was clicked last: no button, slider or
    // spin box takes the keyboard focus (Space would press it).
    for (QWidget *w : findChildren<QWidget *>()) {
        if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSlider *>(w)
            || qobject_cast<QAbstractSpinBox *>(w) || w->parentWidget() == ui->speedSpinBox)
            w->setFocusPolicy(Qt::NoFocus);
    }
    // Keys reach the window before any of its widgets (the list would take the arrows), and a
    // double click on the picture is seen wherever in the video area it lands.
    qApp->installEventFilter(this);
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
    const int target = qBound(0, ui->videoSlide->value() + seconds, ui->videoSlide->maximum());
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

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::setUpControls()
{
    setMinimumSize(1200, 700);

    // The page gets a bridge of its own, never the window: it has nothing to call here.
    ui->mapWidget->installBridge();
    // The video area's container is a plain black widget: a player core of its own would never
    // play anything.
    ui->liveMain1Widget->setAttribute(Qt::WA_StyledBackground);
    ui->liveMain1Widget->setStyleSheet(QStringLiteral("#liveMain1Widget{background-color:#000000;}"));
    ui->mapWidget->setStyleSheet(
        QStringLiteral("background-color:#000000;font-size:14px;color:#ffffff;"));
    ui->mapWidget->load(QUrl(QStringLiteral("qrc:/html/map/OpenStreetMap.html")));

    connect(ui->addVideoBtn, &QToolButton::clicked, this, &MainWindow::addVideoOnClick);
    connect(ui->removeVideoBtn, &QToolButton::clicked, this, &MainWindow::removeVideoOnClick);
    connect(ui->sortVideoBtn, &QToolButton::clicked, this, &MainWindow::sortVideoOnClick);
    connect(ui->fullScreenBtn, &QToolButton::clicked, this, &MainWindow::fullScreenOnClick);
    connect(ui->playBtn, &QToolButton::clicked, this, &MainWindow::pauseResumeOnClick);
    connect(ui->resetPlayBtn, &QToolButton::clicked, this, &MainWindow::resetPlayOnClick);
    connect(ui->setBtn, &QToolButton::clicked, this, &MainWindow::setOnClick);
    connect(ui->helpBtn, &QToolButton::clicked, this, &MainWindow::helpOnClick);
    connect(ui->volumeMinBtn, &QToolButton::clicked, this, &MainWindow::volumeMinOnClick);
    connect(ui->zoomMinBtn, &QToolButton::clicked, this, &MainWindow::zoomMinOnClick);
    connect(ui->zoomMaxBtn, &QToolButton::clicked, this, &MainWindow::zoomMaxOnClick);
    connect(ui->captureBtn, &QToolButton::clicked, this, &MainWindow::captureOnClick);
    connect(ui->playLastFrmBtn, &QToolButton::clicked, this, &MainWindow::lastOneFrmOnClick);
    connect(ui->playNextFrmBtn, &QToolButton::clicked, this, &MainWindow::nextOneFrmOnClick);
    connect(ui->lastFileBtn, &QToolButton::clicked, this, &MainWindow::lastFileOnClick);
    connect(ui->nextFileBtn, &QToolButton::clicked, this, &MainWindow::nextFileOnClick);
    connect(ui->videoSwitchBtn, &QToolButton::clicked, this, &MainWindow::videoSwitchOnClick);
    connect(ui->videoInfoBtn, &QToolButton::clicked, this, &MainWindow::videoInfoOnClick);
    connect(ui->listWidget, &QListWidget::itemDoubleClicked, this, &MainWindow::ItemDoubleClicked);
    connect(ui->listWidget, &QListWidget::itemClicked, this, &MainWindow::ItemOnClicked);
    connect(ui->toolButton_4, &QToolButton::clicked, this, &MainWindow::saveFileClick);
    connect(ui->icon_play_mode, &QToolButton::clicked, this, &MainWindow::playModeOnClick);
    connect(ui->zoomSlider, &QSlider::valueChanged, this, &MainWindow::zoomSliderValue);
    connect(ui->videoSlide, &QSlider::sliderPressed, this,
            qOverload<>(&MainWindow::videoSliderValue));
    connect(ui->videoSlide, &QSlider::sliderMoved, this,
            qOverload<int>(&MainWindow::videoSliderValue));
    connect(ui->videoSlide, &Slider::onLeave, this, &MainWindow::onTimeSliderLeave);
    connect(ui->videoSlide, &Slider::onHover, this, &MainWindow::onTimeSliderHover);

    for (QLabel *label : {ui->currentTimeLabel, ui->totalTimeLabel, ui->volumeValueLabel,
                          ui->zoomValue})
        label->setStyleSheet(plainLabelStyle);
    ui->tempLabel->setStyleSheet(
        QStringLiteral("background-color:#00000000;font-size:12px;color:#ce0000;"));
    ui->xCoordLabel->setStyleSheet(
        QStringLiteral("background-color:#00000000;font-size:12px;color:#ffffff;"));
    ui->yCoordLabel->setStyleSheet(
        QStringLiteral("background-color:#00000000;font-size:12px;color:#01bee8;"));
    ui->zCoordLabel->setStyleSheet(
        QStringLiteral("background-color:#00000000;font-size:12px;color:#FFCF47;"));
    ui->speedLabel->setStyleSheet(
        QStringLiteral("background-color:#00000000;font-size:12px;color:#EF5362;"));

    ui->zoomSlider->setRange(0, 4);
    ui->volumeSlider->setRange(0, 100);
    const int volume = storedVolume().toInt();
    ui->volumeSlider->setValue(volume);
    ui->volumeValueLabel->setText(QString::number(volume));
    connect(ui->volumeSlider, &QSlider::valueChanged, this, &MainWindow::volumeSliderValue);

    adjustWidget = new VideoAdjustWidget;
    auto *adjustAction = new QWidgetAction(adjustWidget);
    adjustAction->setDefaultWidget(adjustWidget);
    adjustWidget->addAction(adjustAction);
    auto *adjustMenu = new QMenu(this);
    adjustMenu->addAction(adjustAction);
    ui->menuVideoBtn->setMenu(adjustMenu);
    ui->menuVideoBtn->setPopupMode(QToolButton::InstantPopup);
    adjustWidget->installEventFilter(this);
    connect(adjustWidget, &VideoAdjustWidget::setBrightSliderValue, this,
            &MainWindow::brightSliderValue);
    connect(adjustWidget, &VideoAdjustWidget::setSaturationSliderValue, this,
            &MainWindow::saturationSliderValue);
    connect(adjustWidget, &VideoAdjustWidget::setContrastSliderValue, this,
            &MainWindow::contrastSliderValue);
    connect(adjustWidget, &VideoAdjustWidget::setAdAdjustResetOnClick, this,
            &MainWindow::adAdjustResetOnClick);
    connect(adjustWidget, &VideoAdjustWidget::setBrightMin, this, &MainWindow::brightMin);
    connect(adjustWidget, &VideoAdjustWidget::setBrightMax, this, &MainWindow::brightMax);
    connect(adjustWidget, &VideoAdjustWidget::setSaturationMin, this, &MainWindow::saturationMin);
    connect(adjustWidget, &VideoAdjustWidget::setSaturationMax, this, &MainWindow::saturationMax);
    connect(adjustWidget, &VideoAdjustWidget::setContrastMin, this, &MainWindow::contrastMin);
    connect(adjustWidget, &VideoAdjustWidget::setContrastMax, this, &MainWindow::contrastMax);

    ui->speedSpinBox->setRange(SpeedSteps::minimum, SpeedSteps::maximum);
    ui->speedSpinBox->setValue(0);
    ui->speedSpinBox->setSingleStep(2);
    ui->speedSpinBox->setStyleSheet(
        QStringLiteral("QSpinBox:image:url(:/images/icon_box_up.png);height:18px;width:18px}"));
    connect(ui->speedSpinBox, qOverload<int>(&QSpinBox::valueChanged), this,
            &MainWindow::speedSpinboxSlider);

    ui->icon_play_mode->hide();
    ui->toolButton_4->hide();
    ui->toolButton->hide();
    ui->tempLabel->hide();

    ui->speedLabel->setText(Dashboard::initialSpeedText(settings.readInt(QStringLiteral("speed"))));
    GSensorGraph::setupGraph(ui->customPlot);
}

void MainWindow::setUpForms()
{
    live1Form = new Live1Form(this);
    live2Form = new Live2Form(this);
    live3Form = new Live3Form(this);
    auto relay = [this](auto *form) {
        using Form = std::remove_pointer_t<decltype(form)>;
        connect(form, &Form::LiveDuration, this, &MainWindow::videoDuration);
        connect(form, &Form::LivePositionChanged, this, &MainWindow::videoPositionChanged);
        connect(form, &Form::LiveStartFile, this, &MainWindow::videoFileStart);
        connect(form, &Form::LiveFileLoaded, this, &MainWindow::videoFileLoaded);
        connect(form, &Form::LivePause, this, &MainWindow::videoPause);
        connect(form, &Form::LiveEndFile, this, &MainWindow::videoFileEnd);
    };
    relay(live1Form);
    relay(live2Form);
    relay(live3Form);
    for (LiveForm *form : {static_cast<LiveForm *>(live1Form), static_cast<LiveForm *>(live2Form),
                           static_cast<LiveForm *>(live3Form)})
        form->setStopAtEnd(true);
    ui->stackedWidget->addWidget(live1Form);
    ui->stackedWidget->addWidget(live2Form);
    ui->stackedWidget->addWidget(live3Form);
    ui->stackedWidget->setCurrentWidget(live1Form);
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
    const QString text = QString::fromLatin1(infoTemplate)
                             .arg(form->width())
                             .arg(form->height())
                             .arg(QStringLiteral(ZEVIDUD_VERSION))
                             .arg(gpsLength)
                         + layoutLine(layoutName);
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
    ui->widget_4->setVisible(currentRecordingPath.isEmpty()
                             || Dashboard::hasTelemetryToShow(mAssistInfos));
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
    settingDialog->show();
}

void MainWindow::helpOnClick()
{
    helpDialog = new HelpWindowDialog(nullptr);
    helpDialog->setModal(true);
    helpDialog->setTitleText(tr("Help"));
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
    setToolTips();
}

void MainWindow::setToolTips()
{
    // Every icon button says what it does, with its key where it has one.
    const QList<QPair<QWidget *, QString>> tips = {
        {ui->playBtn, tr("Play or pause (Space)")},
        {ui->resetPlayBtn, tr("Back to the start")},
        {ui->playLastFrmBtn, tr("One frame back (,)")},
        {ui->playNextFrmBtn, tr("One frame forward (.)")},
        {ui->lastFileBtn, tr("Previous file")},
        {ui->nextFileBtn, tr("Next file")},
        {ui->volumeMinBtn, tr("Mute or unmute (M)")},
        {ui->volumeSlider, tr("Volume (Up and Down keys)")},
        {ui->videoSlide, tr("Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s")},
        {ui->captureBtn, tr("Save a picture of every channel")},
        {ui->menuVideoBtn, tr("Brightness, contrast and saturation")},
        {ui->videoSwitchBtn, tr("Switch the channel view")},
        {ui->zoomMinBtn, tr("Zoom out")},
        {ui->zoomMaxBtn, tr("Zoom in")},
        {ui->fullScreenBtn, tr("Full screen (F, or a double click on the picture; Esc leaves)")},
        {ui->setBtn, tr("Settings")},
        {ui->videoInfoBtn, tr("Information about the recording (I)")},
        {ui->helpBtn, tr("Help")},
        {ui->addVideoBtn, tr("Add files")},
        {ui->removeVideoBtn, tr("Remove all files from the list")},
        {ui->sortVideoBtn, tr("Sort by name")},
        {ui->listWidget, tr("Double click to play; Delete removes the selected file from the list")},
    };
    for (const auto &tip : tips)
        tip.first->setToolTip(tip.second);
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
        if (widget && widget->inherits("QOpenGLWidget") && ui->stackedWidget->isAncestorOf(widget))
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

namespace {
const QString geometryKey = QStringLiteral("windowGeometry");
const QString splitterKey = QStringLiteral("splitterState");
const QString fullScreenKey = QStringLiteral("fullScreen");
} // namespace

void MainWindow::saveWindowState()
{
    // Stored as text, like every preference; the full-screen geometry is not the one to return
    // to, so the normal one is kept while in full screen.
    if (!fullScreenActive)
        settings.writeValue(geometryKey, QString::fromLatin1(saveGeometry().toBase64()));
    settings.writeValue(splitterKey, QString::fromLatin1(ui->splitter->saveState().toBase64()));
    settings.writeValue(fullScreenKey, fullScreenActive ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::restoreWindowState()
{
    // Damaged values restore nothing (the Qt readers check what they are given).
    restoreGeometry(QByteArray::fromBase64(settings.readValue(geometryKey).toLatin1()));
    ui->splitter->restoreState(QByteArray::fromBase64(settings.readValue(splitterKey).toLatin1()));
    if (settings.readInt(fullScreenKey) == 1)
        QTimer::singleShot(0, this, [this] {
            if (!fullScreenActive)
                fullScreenOnClick();
        });
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
    const QList<FileBean> &beans = library->beans();
    const int target = neighbourRow(currentRow, beans.size(), step);
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
    GSensorGraph::clearCurves(ui->customPlot);
    // The route of the recording shown before goes, whichever way the next one is opened.
    ui->mapWidget->runMapScript(QStringLiteral("ClearPath()"));
    openChannelGroup(bean);
    currentRecordingPath = bean.filePath;

    const TelemetryLoad load = loadTelemetry(currentRecordingPath, &mp4Reader);
    mAssistInfos = load.samples;
    gpsLength = load.gpsLength;
    fromMp4Track = load.fromMp4Track;
    layoutCode = load.layoutCode;
    layoutName = load.layoutName;
    timeline = TelemetryView::timelineFor(mAssistInfos, fromMp4Track);
    qDebug("mAssistInfos:%d", int(mAssistInfos.size()));

    // Where this recording was left last time is offered, not forced.
    resumeOffer = ResumePositions::load(currentRecordingPath);
    if (resumeOffer > 0)
        Toast::showToast(tr("Left at %1 last time: press R to continue there.")
                             .arg(Dashboard::timeLabelText(resumeOffer)),
                         nullptr);

    if (!Dashboard::hasTelemetryToShow(mAssistInfos)) {
        ui->mapWidget->hide();
        ui->widget_4->hide();
        return;
    }
    ui->mapWidget->show();
    ui->widget_4->show();
    ui->mapWidget->runMapScript(MapScript::routeScript(mAssistInfos));
    setGraphCurves();
}

void MainWindow::setGraphCurves()
{
    GSensorGraph::setCurves(
        ui->customPlot,
        TelemetryView::graphSeries(mAssistInfos, timeline.keysPerSecond,
                                   layoutCode >= TelemetryView::firstLaterLayoutCode));
}

void MainWindow::videoDuration(int duration)
{
    if (duration == 0)
        return;
    ui->videoSlide->setRange(0, duration);
    totalTimeText = Dashboard::timeLabelText(duration);
    ui->totalTimeLabel->setText(totalTimeText);

    const int count = mAssistInfos.size();
    qDebug() << "duration:" << duration << ",size:" << count;
    const double upper = TelemetryView::applyDuration(&timeline, duration, count);
    // Track telemetry is keyed by its sample rate, which only the duration gives.
    if (timeline.trackKeys && Dashboard::hasTelemetryToShow(mAssistInfos))
        setGraphCurves();
    GSensorGraph::setKeyRange(ui->customPlot, upper);
}

void MainWindow::videoPositionChanged(int position)
{
    ui->videoSlide->setValue(position);
    currentTimeText = Dashboard::timeLabelText(position);
    ui->currentTimeLabel->setText(currentTimeText);

    const TelemetryView::Moment moment =
        TelemetryView::momentAt(mAssistInfos, timeline, qint64(position) * 1000);
    const int speedSetting = settings.readInt(QStringLiteral("speed"));
    switch (moment.shown) {
    case TelemetryView::Shown::Nothing:
    case TelemetryView::Shown::PastEnd:
        return; // the labels keep the last sample shown
    case TelemetryView::Shown::Gap:
        // No sample for this moment: no values, and the car stays where it was last seen.
        ui->xCoordLabel->setText(Dashboard::noGValueText(QLatin1Char('X')));
        ui->yCoordLabel->setText(Dashboard::noGValueText(QLatin1Char('Y')));
        ui->zCoordLabel->setText(Dashboard::noGValueText(QLatin1Char('Z')));
        ui->speedLabel->setText(Dashboard::noSpeedText(speedSetting));
        break;
    case TelemetryView::Shown::Sample: {
        const AssistInfo &sample = mAssistInfos.at(moment.index);
        const QString marker = MapScript::markerScript(sample);
        if (!marker.isEmpty())
            ui->mapWidget->runMapScript(marker);
        const bool g = TelemetryView::showsGValues(sample, layoutCode);
        ui->xCoordLabel->setText(g ? Dashboard::gValueText(QLatin1Char('X'), sample.x)
                                   : Dashboard::noGValueText(QLatin1Char('X')));
        ui->yCoordLabel->setText(g ? Dashboard::gValueText(QLatin1Char('Y'), sample.y)
                                   : Dashboard::noGValueText(QLatin1Char('Y')));
        ui->zCoordLabel->setText(g ? Dashboard::gValueText(QLatin1Char('Z'), sample.z)
                                   : Dashboard::noGValueText(QLatin1Char('Z')));
        ui->speedLabel->setText(Dashboard::speedText(sample.speed, speedSetting));
        break;
    }
    }
    GSensorGraph::setCursor(ui->customPlot, moment.cursorKey);
}
