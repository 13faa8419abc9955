#include "helpwindowdialog.h"
#include "ui_helpwindowdialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QWindow>

namespace {
const char labelStyle[] = "background-color:#00000000;font-size:16px;color:#ffffff;";
const char toolButtonStyle[] = "QToolButton{background-color:#00000000;border:none;}"
                               "QToolButton:hover{background-color:#33ffffff;}";
const char versionText[] = "3.6.6";
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
                          ui->noticeLabel})
        label->setStyleSheet(style);
    ui->mainWidget->setStyleSheet(QStringLiteral("background-color:#000000;"));
    ui->helpBtn->setStyleSheet(QString::fromLatin1(toolButtonStyle));
    ui->cancelBtn->setStyleSheet(QString::fromLatin1(toolButtonStyle));
    ui->versionValueLabel->setText(QString::fromLatin1(versionText));
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

QUrl HelpWindowDialog::helpPageUrl()
{
    QStringList folders;
    // A relocated install: <prefix>/bin/zevidud-player next to <prefix>/share/...
    folders << QCoreApplication::applicationDirPath() + QStringLiteral("/../")
                   + QStringLiteral(ZEVIDUD_HELP_RELATIVE_DIR);
    folders << QStringLiteral(ZEVIDUD_HELP_INSTALL_DIR);
    for (const QString &dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << dataDir + QStringLiteral("/zevidud-player/help");
    folders << QStringLiteral(ZEVIDUD_HELP_BUILD_DIR);

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
    const QUrl page = helpPageUrl();
    if (page.isValid())
        QDesktopServices::openUrl(page);
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
