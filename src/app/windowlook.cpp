#include "windowlook.h"
#include "ui_mainwindow.h"

#include "settingsstore.h"
#include "videoadjustwidget.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QSplitter>
#include <QWidgetAction>

namespace {

const QString plainLabelStyle =
    QStringLiteral("background-color:#00000000;font-size:14px;color:#ffffff;");
const QString geometryKey = QStringLiteral("windowGeometry");
const QString splitterKey = QStringLiteral("splitterState");
const QString fullScreenKey = QStringLiteral("fullScreen");

} // namespace

namespace WindowLook {

void styleControls(Ui::MainWindow *ui)
{
    // The video area's container is a plain black widget: a player core of its own would never
    // play anything.
    ui->liveMain1Widget->setAttribute(Qt::WA_StyledBackground);
    ui->liveMain1Widget->setStyleSheet(QStringLiteral("#liveMain1Widget{background-color:#000000;}"));
    ui->mapWidget->setStyleSheet(
        QStringLiteral("background-color:#000000;font-size:14px;color:#ffffff;"));
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

    ui->speedSpinBox->setStyleSheet(
        QStringLiteral("QSpinBox:image:url(:/images/icon_box_up.png);height:18px;width:18px}"));
    ui->icon_play_mode->hide();
    ui->toolButton_4->hide();
    ui->toolButton->hide();
    ui->tempLabel->hide();
}

VideoAdjustWidget *attachAdjustMenu(QToolButton *button)
{
    auto *adjustWidget = new VideoAdjustWidget;
    auto *adjustAction = new QWidgetAction(adjustWidget);
    adjustAction->setDefaultWidget(adjustWidget);
    adjustWidget->addAction(adjustAction);
    auto *adjustMenu = new QMenu(button);
    adjustMenu->addAction(adjustAction);
    button->setMenu(adjustMenu);
    button->setPopupMode(QToolButton::InstantPopup);
    return adjustWidget;
}

QToolButton *addExportButton(Ui::MainWindow *ui)
{
    auto *button = new QToolButton(ui->captureBtn->parentWidget());
    button->setObjectName(QStringLiteral("exportBtn"));
    button->setIcon(QIcon(QStringLiteral(":/images/icon_export.svg")));
    button->setIconSize(ui->captureBtn->iconSize());
    if (auto *row = qobject_cast<QBoxLayout *>(ui->captureBtn->parentWidget()->layout()))
        row->insertWidget(row->indexOf(ui->captureBtn) + 1, button);
    return button;
}

void setToolTips(Ui::MainWindow *ui, QWidget *exportButton)
{
    // Every icon button says what it does, with its key where it has one.
    const QList<QPair<QWidget *, QString>> tips = {
        {ui->playBtn, QCoreApplication::translate("MainWindow", "Play or pause (Space)")},
        {ui->resetPlayBtn, QCoreApplication::translate("MainWindow", "Back to the start")},
        {ui->playLastFrmBtn, QCoreApplication::translate("MainWindow", "One frame back (,)")},
        {ui->playNextFrmBtn, QCoreApplication::translate("MainWindow", "One frame forward (.)")},
        {ui->lastFileBtn, QCoreApplication::translate("MainWindow", "Previous recording")},
        {ui->nextFileBtn, QCoreApplication::translate("MainWindow", "Next recording")},
        {ui->volumeMinBtn, QCoreApplication::translate("MainWindow", "Mute or unmute (M)")},
        {ui->volumeSlider, QCoreApplication::translate("MainWindow", "Volume (Up and Down keys)")},
        {ui->videoSlide,
         QCoreApplication::translate("MainWindow",
                                     "Position: Left and Right seek 5 s, with Shift 1 s, with "
                                     "Ctrl 60 s; [ and ] jump to the previous and next G-sensor "
                                     "event")},
        {ui->captureBtn, QCoreApplication::translate("MainWindow", "Save a picture of every channel")},
        {exportButton,
         QCoreApplication::translate("MainWindow", "Export the route or an incident clip (E, I, O)")},
        {ui->menuVideoBtn, QCoreApplication::translate("MainWindow", "Brightness, contrast and saturation")},
        {ui->videoSwitchBtn, QCoreApplication::translate("MainWindow", "Switch the channel view")},
        {ui->zoomMinBtn, QCoreApplication::translate("MainWindow", "Zoom out")},
        {ui->zoomMaxBtn, QCoreApplication::translate("MainWindow", "Zoom in")},
        {ui->fullScreenBtn, QCoreApplication::translate("MainWindow", "Full screen (F, or a double click on the picture; Esc leaves)")},
        {ui->setBtn, QCoreApplication::translate("MainWindow", "Settings")},
        {ui->videoInfoBtn, QCoreApplication::translate("MainWindow", "Information about the recording (Shift+I)")},
        {ui->helpBtn, QCoreApplication::translate("MainWindow", "Help")},
        {ui->addVideoBtn, QCoreApplication::translate("MainWindow", "Add files")},
        {ui->removeVideoBtn, QCoreApplication::translate("MainWindow", "Remove all files from the list")},
        {ui->sortVideoBtn, QCoreApplication::translate("MainWindow", "Sort by name")},
        {ui->listWidget, QCoreApplication::translate("MainWindow", "Double click to play; Delete removes the selected file from the list")},
    };
    for (const auto &tip : tips)
        if (tip.first) // the export button comes after the first translation
            tip.first->setToolTip(tip.second);
}

void showVolumeIcon(Ui::MainWindow *ui, int volume)
{
    ui->volumeMinBtn->setIcon(QIcon(volume > 0 ? QStringLiteral(":/images/icon_voice.svg")
                                                : QStringLiteral(":/images/icon_voice_mute.svg")));
}

void saveWindowState(const QMainWindow &window, const QSplitter &splitter, bool fullScreen,
                     const SettingsStore &settings)
{
    // Stored as text, like every preference; the full-screen geometry is not the one to return
    // to, so the normal one is kept while in full screen.
    if (!fullScreen)
        settings.writeValue(geometryKey, QString::fromLatin1(window.saveGeometry().toBase64()));
    settings.writeValue(splitterKey, QString::fromLatin1(splitter.saveState().toBase64()));
    settings.writeValue(fullScreenKey, fullScreen ? QStringLiteral("1") : QStringLiteral("0"));
}

bool restoreWindowState(QMainWindow &window, QSplitter &splitter, const SettingsStore &settings)
{
    // Damaged values restore nothing (the Qt readers check what they are given).
    window.restoreGeometry(QByteArray::fromBase64(settings.readValue(geometryKey).toLatin1()));
    splitter.restoreState(QByteArray::fromBase64(settings.readValue(splitterKey).toLatin1()));
    return settings.readInt(fullScreenKey) == 1;
}

} // namespace WindowLook
