#pragma once

#include "translationloader.h"

#include <QDialog>
#include <QList>
#include <QPair>
#include <QPoint>
#include <QString>
#include <QUrl>

namespace Ui {
class HelpWindowDialog;
}

// Frameless "about" window: product name, version, legal notice, the keys of the player, a close
// button and a help button that opens the player's own help page in the desktop's browser (or
// says where the page is when no browser takes it). It deletes itself when closed; the window can
// be dragged by its top bar since it has no native title bar.
class HelpWindowDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpWindowDialog(QWidget *parent = nullptr);
    ~HelpWindowDialog() override;

    void setTitleText(const QString &text);
    // The keys to list, a row each: the keys and what they do. The window that opens the dialog
    // owns the key map; without keys the list stays hidden.
    void setKeys(const QList<QPair<QString, QString>> &keys);

    // The installed help page, or the copy in the build folder for a player run uninstalled;
    // an empty URL when neither exists.
    static QUrl helpPageUrl();

public slots:
    void canceDialoglOnClick();
    void helpDialogOnClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Hands the page to the desktop; false when nothing took it. Overridable so tests need no
    // browser.
    virtual bool openPage(const QUrl &page);

private:
    Ui::HelpWindowDialog *ui;
    TranslationLoader translationLoader;
    QPoint dragOffset;
    bool dragging = false;
};
