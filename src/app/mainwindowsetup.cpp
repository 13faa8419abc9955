// How the main window is put together: its controls, forms, keys and export menu, wired to
// the slots that do the work (mainwindow.cpp).
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "channelgrouping.h"
#include "dashboard.h"
#include "drivecontroller.h"
#include "drivesettings.h"
#include "graphseeker.h"
#include "gsensorgraph.h"
#include "live1form.h"
#include "live2form.h"
#include "live3form.h"
#include "speedsteps.h"
#include "toast.h"
#include "videoadjustwidget.h"
#include "videolibrary.h"
#include "webmapwidget.h"
#include "windowlook.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QTimer>
#include <QToolButton>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    settings.initDefaults();
    updateTR();

    panel = std::make_unique<TelemetryPanel>(TelemetryPanel::Widgets{
        ui->mapWidget, ui->customPlot, ui->widget_4, ui->xCoordLabel, ui->yCoordLabel,
        ui->zCoordLabel, ui->speedLabel});
    library = new VideoLibrary(ui->listWidget, ui->sortVideoBtn, this);
    driveController = new DriveController(library, ui->videoSlide, panel.get(), this);
    connect(driveController, &DriveController::seekRequested, this,
            [this](int seconds) { seekBy(seconds - ui->videoSlide->value()); });
    connect(driveController, &DriveController::openRequested, this, &MainWindow::openRowAt);
    connect(driveController, &DriveController::message, this,
            [](const QString &text) { Toast::showToast(text, nullptr); });
    connect(ui->mapWidget, &WebMapWidget::routeClicked, this, &MainWindow::jumpToDriveTime);
    connect(new GraphSeeker(ui->customPlot), &GraphSeeker::seekRequested, this,
            &MainWindow::seekToGraphKey);
    ui->mapWidget->setTileSource(DriveSettings::tileSource(settings));
    library->restoreVideoList();
    setUpControls();
    library->refreshVideoList();
    setUpForms();
    setUpKeys();
    restoreWindowState();
    QTimer::singleShot(0, this, &MainWindow::reopenLastRecording);
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

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::setUpControls()
{
    setMinimumSize(1200, 700);

    // The page gets a bridge of its own, never the window: it has nothing to call here.
    ui->mapWidget->installBridge();
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
    setUpExport();
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

    WindowLook::styleControls(ui);
    ui->zoomSlider->setRange(0, 4);
    ui->volumeSlider->setRange(0, 100);
    const int volume = storedVolume().toInt();
    ui->volumeSlider->setValue(volume);
    ui->volumeValueLabel->setText(QString::number(volume));
    WindowLook::showVolumeIcon(ui, volume);
    connect(ui->volumeSlider, &QSlider::valueChanged, this, &MainWindow::volumeSliderValue);

    adjustWidget = WindowLook::attachAdjustMenu(ui->menuVideoBtn);
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
    connect(ui->speedSpinBox, qOverload<int>(&QSpinBox::valueChanged), this,
            &MainWindow::speedSpinboxSlider);

    ui->speedLabel->setText(Dashboard::initialSpeedText(settings.readInt(QStringLiteral("speed"))));
    GSensorGraph::setupGraph(ui->customPlot);
}

void MainWindow::setUpExport()
{
    QToolButton *button = WindowLook::addExportButton(ui);
    driveController->setUpExport(button, this);
    WindowLook::setToolTips(ui, button);
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
        connect(form, &Form::LiveNothingToPlay, this, &MainWindow::showNoVideo);
        connect(form, &Form::LivePause, this, &MainWindow::videoPause);
        connect(form, &Form::LiveEndFile, this, &MainWindow::videoFileEnd);
        connect(form, &Form::LiveRecordingAdvanced, this, &MainWindow::recordingAdvanced);
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

void MainWindow::saveWindowState()
{
    WindowLook::saveWindowState(*this, *ui->splitter, fullScreenActive, settings);
}

void MainWindow::restoreWindowState()
{
    if (WindowLook::restoreWindowState(*this, *ui->splitter, settings))
        QTimer::singleShot(0, this, [this] {
            if (!fullScreenActive)
                fullScreenOnClick();
        });
}
