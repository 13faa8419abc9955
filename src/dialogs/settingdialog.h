#pragma once

#include "translationloader.h"

#include <QDialog>

class DriveSettingsWidget;
class QRadioButton;

namespace Ui {
class SettingDialog;
}

// Preferences window. There is no OK/Cancel step: every click goes to the settings store at once.
// A language click also re-translates this dialog and emits updateTREvent so the main window can
// follow; the other choices are only stored and picked up by their readers later.
//
// The dialog deletes itself when closed (by the title bar or by canceDialoglOnClick), so an
// opener that keeps a pointer to it should keep a QPointer.
class SettingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingDialog(QWidget *parent = nullptr);
    ~SettingDialog() override;

signals:
    void updateTREvent();
    // A setting of drives, events or map tiles changed (already stored).
    void drivePreferencesChanged();
    // The number of channels a recording opens with changed (already stored).
    void playModeChanged();

public slots:
    void radioItemOnClick();
    void capturePathSelectOnClick();
    void canceDialoglOnClick();

protected:
    // Asks the user for an existing folder, starting at startFolder; an empty result means the
    // chooser was cancelled. Overridable so tests can answer without a person at the screen.
    virtual QString chooseCaptureFolder(const QString &startFolder);

private:
    struct Choice
    {
        QRadioButton *button;
        const char *key;
        int value;
    };

    void applyStyles();
    void showStoredValues();
    QList<Choice> choices() const;

    Ui::SettingDialog *ui;
    DriveSettingsWidget *driveSettings = nullptr;
    TranslationLoader translationLoader;
};
