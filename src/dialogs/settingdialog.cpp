#include "settingdialog.h"
#include "ui_settingdialog.h"

#include "drivesettingswidget.h"
#include "settingsstore.h"

#include <QFileDialog>
#include <QRadioButton>

namespace {

const char captionStyle[] = "background-color:#00000000;font-size:16px;color:#ffffff;";
const char radioStyle[] = "background-color:#00000000;font-size:14px;color:#ffffff;";

// Checks the button at index (or none when index is outside the group). Auto-exclusive buttons
// refuse to uncheck the last checked one, so exclusivity is lifted while the states are set.
void checkOnly(const QList<QRadioButton *> &group, int index)
{
    for (int i = 0; i < group.size(); ++i) {
        QRadioButton *button = group.at(i);
        button->setAutoExclusive(false);
        button->setChecked(i == index);
        button->setAutoExclusive(true);
    }
}

} // namespace

SettingDialog::SettingDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SettingDialog)
{
    ui->setupUi(this);
    setMinimumWidth(1000);
    setWindowTitle(tr("Settings"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    // A dialog is created for every request; without this each one closed by its title bar
    // would stay in memory until the program ends.
    setAttribute(Qt::WA_DeleteOnClose);
    applyStyles();

    for (const Choice &choice : choices())
        connect(choice.button, &QRadioButton::clicked, this, &SettingDialog::radioItemOnClick);
    connect(ui->cancelBtn, &QToolButton::clicked, this, &SettingDialog::canceDialoglOnClick);
    connect(ui->captureBtn, &QToolButton::clicked, this, &SettingDialog::capturePathSelectOnClick);

    ui->titleWidget->hide();
    ui->noteLabel->hide();
    ui->languageRadio4Btn->hide();
    ui->widget_6->hide();
    ui->widget_2->hide();

    driveSettings = new DriveSettingsWidget(ui->scrollAreaWidgetContents);
    ui->groupsLayout->addWidget(driveSettings);
    connect(driveSettings, &DriveSettingsWidget::changed, this,
            &SettingDialog::drivePreferencesChanged);

    showStoredValues();
}

SettingDialog::~SettingDialog()
{
    delete ui;
}

QList<SettingDialog::Choice> SettingDialog::choices() const
{
    return {
        {ui->languageRadio1Btn, "language", 0},
        {ui->languageRadio2Btn, "language", 1},
        {ui->languageRadio3Btn, "language", 2},
        {ui->languageRadio4Btn, "language", 3},
        {ui->speedUnitRadio1Btn, "speed", 0},
        {ui->speedUnitRadio2Btn, "speed", 1},
        {ui->mapRadio1Btn, "map", 0},
        {ui->mapRadio2Btn, "map", 1},
        {ui->hardRadioButton, "playDecode", 0},
        {ui->softRadioButton, "playDecode", 1},
        {ui->playModeRadio1Btn, "playMode", 0},
        {ui->playModeRadio2Btn, "playMode", 1},
        {ui->playModeRadio3Btn, "playMode", 2},
    };
}

void SettingDialog::applyStyles()
{
    const QString caption = QString::fromLatin1(captionStyle);
    for (QLabel *label : {ui->label, ui->label_2, ui->label_3, ui->label_4, ui->label_5,
                          ui->label_6, ui->noteLabel, ui->playModeNoteLabel, ui->titleLabel,
                          ui->captureLabel})
        label->setStyleSheet(caption);
    ui->captureBtn->setStyleSheet(caption);
    // An icon button: what it does is said by its tooltip.
    ui->captureBtn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ui->captureBtn->setToolTip(tr("Choose the folder for captured pictures"));

    const QString radio = QString::fromLatin1(radioStyle);
    for (const Choice &choice : choices())
        choice.button->setStyleSheet(radio);
}

void SettingDialog::showStoredValues()
{
    const SettingsStore store;
    const int language = store.readInt(QStringLiteral("language"));
    const int map = store.readInt(QStringLiteral("map"));
    const int speed = store.readInt(QStringLiteral("speed"));
    const int playMode = store.readInt(QStringLiteral("playMode"));
    const int playDecode = store.readInt(QStringLiteral("playDecode"));

    checkOnly({ui->languageRadio1Btn, ui->languageRadio2Btn, ui->languageRadio3Btn,
               ui->languageRadio4Btn},
              language);
    checkOnly({ui->mapRadio1Btn, ui->mapRadio2Btn}, map != 0 ? 1 : 0);
    checkOnly({ui->speedUnitRadio1Btn, ui->speedUnitRadio2Btn}, speed != 0 ? 1 : 0);
    checkOnly({ui->playModeRadio1Btn, ui->playModeRadio2Btn, ui->playModeRadio3Btn}, playMode);
    checkOnly({ui->hardRadioButton, ui->softRadioButton}, playDecode != 0 ? 1 : 0);
    // A folder name is shown as it is, never as markup.
    ui->captureLabel->setTextFormat(Qt::PlainText);
    ui->captureLabel->setText(store.readValue(QStringLiteral("capturePath")));
}

void SettingDialog::radioItemOnClick()
{
    const QObject *clicked = sender();
    for (const Choice &choice : choices()) {
        if (choice.button != clicked)
            continue;
        const QString key = QString::fromLatin1(choice.key);
        SettingsStore().writeValue(key, QString::number(choice.value));
        if (key == QLatin1String("language")) {
            translationLoader.loadLanguage();
            // Retranslating resets the window title to the translation of "Dialog", which every
            // translation renders as the word for settings.
            ui->retranslateUi(this);
            driveSettings->retranslate();
            showStoredValues();
            emit updateTREvent();
        }
        if (key == QLatin1String("playMode"))
            emit playModeChanged();
        return;
    }
}

QString SettingDialog::chooseCaptureFolder(const QString &startFolder)
{
    return QFileDialog::getExistingDirectory(this, tr("Open file"), startFolder,
                                             QFileDialog::ShowDirsOnly);
}

void SettingDialog::capturePathSelectOnClick()
{
    const QString current = SettingsStore().readValue(QStringLiteral("capturePath"));
    const QString chosen = chooseCaptureFolder(current);
    if (chosen.isEmpty())
        return;
    ui->captureLabel->setText(chosen);
    SettingsStore().writeValue(QStringLiteral("capturePath"), chosen);
}

void SettingDialog::canceDialoglOnClick()
{
    hide();
    // Deferred: this slot runs inside the cancel button's click, which still uses the button.
    deleteLater();
}
