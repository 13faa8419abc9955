#pragma once

#include "translationloader.h"

#include <QDialog>
#include <QPoint>
#include <QUrl>

namespace Ui {
class HelpWindowDialog;
}

// Frameless "about" window: product name, version, legal notice, a close button and a help
// button that opens the player's own help page in the desktop's browser. It deletes itself when
// closed; the window can be dragged by its top bar since it has no native title bar.
class HelpWindowDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpWindowDialog(QWidget *parent = nullptr);
    ~HelpWindowDialog() override;

    void setTitleText(const QString &text);

    // The installed help page, or the copy in the build folder for a player run uninstalled;
    // an empty URL when neither exists.
    static QUrl helpPageUrl();

public slots:
    void canceDialoglOnClick();
    void helpDialogOnClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Ui::HelpWindowDialog *ui;
    TranslationLoader translationLoader;
    QPoint dragOffset;
    bool dragging = false;
};
