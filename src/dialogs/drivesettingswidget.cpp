#include "drivesettingswidget.h"

#include "drivesettings.h"
#include "settingsstore.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QToolButton>

namespace {
const char captionStyle[] = "background-color:#00000000;font-size:16px;color:#ffffff;";
const char itemStyle[] = "background-color:#00000000;font-size:14px;color:#ffffff;";
// The dialog's black ground reaches the spin box through the scroll area's sheet, but its text
// keeps the palette's black: a field of its own, white on the dark grey of the window's fields.
const char fieldStyle[] =
    "QDoubleSpinBox{background-color:#1b1e22;color:#ffffff;border:1px solid #3d444c;"
    "border-radius:3px;padding:1px 2px 1px 4px;min-height:22px;font-size:14px;"
    "selection-background-color:#01bee8;selection-color:#ffffff;}"
    "QDoubleSpinBox::up-button,QDoubleSpinBox::down-button{subcontrol-origin:border;width:16px;"
    "background:transparent;border:none;}"
    "QDoubleSpinBox::up-button{subcontrol-position:top right;}"
    "QDoubleSpinBox::down-button{subcontrol-position:bottom right;}"
    "QDoubleSpinBox::up-arrow{image:url(:/images/icon_box_up.png);width:10px;height:10px;}"
    "QDoubleSpinBox::down-arrow{image:url(:/images/icon_box_down.png);width:10px;height:10px;}";
} // namespace

DriveSettingsWidget::DriveSettingsWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("widget_drive"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(24, 12, 24, 12);
    m_caption = new QLabel(this);
    m_continue = new QCheckBox(this);
    m_thresholdLabel = new QLabel(this);
    m_threshold = new QDoubleSpinBox(this);
    m_tilesCaption = new QLabel(this);
    m_tileSource = new QLabel(this);
    m_folderBtn = new QToolButton(this);
    m_fileBtn = new QToolButton(this);
    m_onlineBtn = new QToolButton(this);
    m_continue->setObjectName(QStringLiteral("continueNextClipBox"));
    m_threshold->setObjectName(QStringLiteral("eventThresholdBox"));
    m_tileSource->setObjectName(QStringLiteral("tileSourceLabel"));
    // A path is shown as it is, never as markup.
    m_tileSource->setTextFormat(Qt::PlainText);
    m_caption->setStyleSheet(QLatin1String(captionStyle));
    m_tilesCaption->setStyleSheet(QLatin1String(captionStyle));
    for (QWidget *w : {static_cast<QWidget *>(m_continue), static_cast<QWidget *>(m_thresholdLabel),
                       static_cast<QWidget *>(m_tileSource)})
        w->setStyleSheet(QLatin1String(itemStyle));

    grid->addWidget(m_caption, 0, 0, 1, 4);
    grid->addWidget(m_continue, 1, 0, 1, 4);
    grid->addWidget(m_thresholdLabel, 2, 0);
    grid->addWidget(m_threshold, 2, 1);
    grid->addWidget(m_tilesCaption, 3, 0, 1, 4);
    grid->addWidget(m_tileSource, 4, 0, 1, 4);
    grid->addWidget(m_folderBtn, 5, 0);
    grid->addWidget(m_fileBtn, 5, 1);
    grid->addWidget(m_onlineBtn, 5, 2);
    grid->setColumnStretch(3, 1);

    const SettingsStore store;
    m_continue->setChecked(DriveSettings::continueWithNextClip(store));
    m_threshold->setRange(DriveSettings::minEventThresholdG, DriveSettings::maxEventThresholdG);
    m_threshold->setSingleStep(0.05);
    m_threshold->setDecimals(2);
    m_threshold->setStyleSheet(QLatin1String(fieldStyle));
    m_threshold->setValue(DriveSettings::eventThresholdG(store));
    showTileSource(DriveSettings::tileSource(store));
    retranslate();

    connect(m_continue, &QCheckBox::toggled, this, [this](bool on) {
        SettingsStore().writeValue(QLatin1String(DriveSettings::continueKey),
                                   on ? QStringLiteral("1") : QStringLiteral("0"));
        emit changed();
    });
    connect(m_threshold, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            [this](double g) {
                SettingsStore().writeValue(QLatin1String(DriveSettings::eventThresholdKey),
                                           QString::number(g, 'f', 2));
                emit changed();
            });
    connect(m_folderBtn, &QToolButton::clicked, this, [this] {
        const QString chosen = chooseTileFolder(DriveSettings::tileSource(SettingsStore()));
        if (!chosen.isEmpty())
            setTileSource(chosen);
    });
    connect(m_fileBtn, &QToolButton::clicked, this, [this] {
        const QString chosen = chooseTileFile(DriveSettings::tileSource(SettingsStore()));
        if (!chosen.isEmpty())
            setTileSource(chosen);
    });
    connect(m_onlineBtn, &QToolButton::clicked, this, [this] { setTileSource(QString()); });
}

void DriveSettingsWidget::retranslate()
{
    m_caption->setText(tr("Drives"));
    m_continue->setText(tr("Continue with the next clip"));
    m_thresholdLabel->setText(tr("Mark a G-sensor event from a change of"));
    // The unit of the threshold: g, the acceleration of gravity.
    m_threshold->setSuffix(QLatin1Char(' ') + tr("g"));
    m_tilesCaption->setText(tr("Map tiles"));
    m_folderBtn->setText(tr("Tile folder..."));
    m_fileBtn->setText(tr("MBTiles file..."));
    m_onlineBtn->setText(tr("Online"));
    showTileSource(DriveSettings::tileSource(SettingsStore()));
}

void DriveSettingsWidget::setTileSource(const QString &pathOrEmpty)
{
    SettingsStore().writeValue(QLatin1String(DriveSettings::tileSourceKey), pathOrEmpty);
    showTileSource(pathOrEmpty);
    emit changed();
}

void DriveSettingsWidget::showTileSource(const QString &source)
{
    m_tileSource->setText(source.isEmpty() ? tr("OpenStreetMap (needs an internet connection)")
                                           : source);
}

QString DriveSettingsWidget::chooseTileFolder(const QString &start)
{
    return QFileDialog::getExistingDirectory(this, tr("Folder of map tiles (z/x/y)"), start,
                                             QFileDialog::ShowDirsOnly);
}

QString DriveSettingsWidget::chooseTileFile(const QString &start)
{
    return QFileDialog::getOpenFileName(this, tr("MBTiles file"), QFileInfo(start).path(),
                                        tr("MBTiles (*.mbtiles)"));
}
