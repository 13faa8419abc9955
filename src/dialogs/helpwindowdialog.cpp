#include "helpwindowdialog.h"
#include "ui_helpwindowdialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTableWidget>
#include <QWindow>

namespace {
const char labelStyle[] = "background-color:#00000000;font-size:16px;color:#ffffff;";
const char toolButtonStyle[] = "QToolButton{background-color:#00000000;border:none;}"
                               "QToolButton:hover{background-color:#33ffffff;}";
const char helpPageName[] = "index.html";
} // namespace

HelpWindowDialog::HelpWindowDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::HelpWindowDialog)
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui->setupUi(this);
    translationLoader.loadLanguage();
    ui->retranslateUi(this);
    // Frameless, but still a dialog window: a bare frameless flag would turn a dialog that has a
    // parent into a child widget drawn inside that parent.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    const QString style = QString::fromLatin1(labelStyle);
    for (QLabel *label : {ui->titleLabel, ui->nameLabel, ui->versionLabel, ui->versionValueLabel,
                          ui->noticeLabel, ui->keysLabel})
        label->setStyleSheet(style);
    ui->pageNoteLabel->setStyleSheet(
        QStringLiteral("background-color:#00000000;font-size:14px;color:#ffffff;"));
    ui->pageNoteLabel->hide();
    ui->keysTable->setStyleSheet(
        QStringLiteral("QTableWidget{background-color:#000000;color:#ffffff;border:none;"
                       "font-size:14px;}"));
    // Both columns share the width and wrap: a long key name must not push the other aside.
    ui->keysTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->keysTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->keysTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->keysLabel->hide();
    ui->keysTable->hide();
    ui->mainWidget->setStyleSheet(QStringLiteral("background-color:#000000;"));
    ui->helpBtn->setStyleSheet(QString::fromLatin1(toolButtonStyle));
    ui->cancelBtn->setStyleSheet(QString::fromLatin1(toolButtonStyle));
    // The version of this build, the one `zevidud-player --version` prints.
    ui->versionValueLabel->setText(QStringLiteral(ZEVIDUD_VERSION));
    ui->helpBtn->setToolTip(tr("Open the help page"));
    ui->cancelBtn->setToolTip(tr("Close"));

    ui->topWidget->installEventFilter(this);
    ui->titleLabel->installEventFilter(this);

    connect(ui->cancelBtn, &QToolButton::clicked, this, &HelpWindowDialog::canceDialoglOnClick);
    connect(ui->helpBtn, &QToolButton::clicked, this, &HelpWindowDialog::helpDialogOnClick);
}

HelpWindowDialog::~HelpWindowDialog()
{
    delete ui;
}

void HelpWindowDialog::setTitleText(const QString &text)
{
    ui->titleLabel->setText(text);
}

void HelpWindowDialog::setKeys(const QList<QPair<QString, QString>> &keys)
{
    ui->keysTable->setRowCount(keys.size());
    for (int row = 0; row < keys.size(); ++row) {
        ui->keysTable->setItem(row, 0, new QTableWidgetItem(keys.at(row).first));
        ui->keysTable->setItem(row, 1, new QTableWidgetItem(keys.at(row).second));
    }
    ui->keysLabel->setVisible(!keys.isEmpty());
    ui->keysTable->setVisible(!keys.isEmpty());
}

QUrl HelpWindowDialog::helpPageUrl()
{
    QStringList folders;
    // A relocated install: <prefix>/bin/zevidud-player next to <prefix>/share/...
    folders << QCoreApplication::applicationDirPath() + QStringLiteral("/../")
                   + QStringLiteral(ZEVIDUD_HELP_RELATIVE_DIR);
    // A program run from its build tree shows that tree's page, not an older installed one.
    folders << QStringLiteral(ZEVIDUD_HELP_BUILD_DIR);
    folders << QStringLiteral(ZEVIDUD_HELP_INSTALL_DIR);
    for (const QString &dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << dataDir + QStringLiteral("/zevidud-player/help");

    for (const QString &folder : qAsConst(folders)) {
        const QFileInfo page(QDir(folder).filePath(QString::fromLatin1(helpPageName)));
        if (page.isFile())
            return QUrl::fromLocalFile(page.canonicalFilePath());
    }
    return QUrl();
}

void HelpWindowDialog::canceDialoglOnClick()
{
    // Hides the dialog; delete-on-close then disposes of it once the click has been handled.
    close();
}

void HelpWindowDialog::helpDialogOnClick()
{
    // A desktop without a browser (or without xdg-open) takes the page silently: the click must
    // still show something, so the dialog says where the page is.
    const QUrl page = helpPageUrl();
    if (page.isEmpty()) {
        ui->pageNoteLabel->setText(tr("The help page is not installed."));
        ui->pageNoteLabel->show();
    } else if (!openPage(page)) {
        ui->pageNoteLabel->setText(
            tr("No web browser opened the help page. It is at:\n%1").arg(page.toLocalFile()));
        ui->pageNoteLabel->show();
    } else {
        ui->pageNoteLabel->hide();
    }
}

bool HelpWindowDialog::openPage(const QUrl &page)
{
    return QDesktopServices::openUrl(page);
}

bool HelpWindowDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->topWidget || watched == ui->titleLabel) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton)
                break;
            // The window manager moves the window best (it knows about snapping and other
            // screens); a manual move remains for platforms that refuse it.
            if (windowHandle() && windowHandle()->startSystemMove())
                return true;
            dragging = true;
            dragOffset = mouse->globalPos() - frameGeometry().topLeft();
            return true;
        }
        case QEvent::MouseMove:
            if (dragging) {
                move(static_cast<QMouseEvent *>(event)->globalPos() - dragOffset);
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            dragging = false;
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
