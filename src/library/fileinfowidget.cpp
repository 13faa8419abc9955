#include "fileinfowidget.h"

#include "ui_fileinfowidget.h"

#include <QCoreApplication>
#include <QDebug>

FileInfoWidget::FileInfoWidget(QWidget *parent) : QWidget(parent), ui(new Ui::FileInfoWidget)
{
    ui->setupUi(this);
    // File names come from cards and downloads: "<b>x</b>.mp4" is a name, not markup.
    ui->fileNameLabel->setTextFormat(Qt::PlainText);
    ui->fileDateLabel->setTextFormat(Qt::PlainText);
    // A row's button never takes the keyboard focus: Space must not remove an entry.
    ui->itemDeleteButton->setFocusPolicy(Qt::NoFocus);
    ui->itemDeleteButton->setToolTip(tr("Remove this file from the list"));
    connect(ui->itemDeleteButton, &QToolButton::clicked, this, &FileInfoWidget::deleteItemOnClick);
}

FileInfoWidget::~FileInfoWidget()
{
    delete ui;
}

void FileInfoWidget::setFileInfo(const QString &filePath, const QString &date, const QString &name)
{
    path = filePath;
    ui->itemDeleteButton->setObjectName(filePath);
    ui->fileDateLabel->setText(date);
    ui->fileNameLabel->setText(name);
    // The list is narrow: long camera file names are cut, the tooltip gives the whole path.
    // Tooltips have no plain-text switch: the path is escaped inside a paragraph that keeps its
    // spaces, so it reads exactly as it is.
    setToolTip(QStringLiteral("<p style='white-space:pre'>%1</p>").arg(filePath.toHtmlEscaped()));
}

void FileInfoWidget::setThumbnail(const QPixmap &pixmap)
{
    ui->iconLabel->setPixmap(pixmap);
}

void FileInfoWidget::showDefaultThumbnail()
{
    // The form's own picture; loading it by name hits the pixmap cache after the first row.
    ui->iconLabel->setPixmap(QPixmap(QStringLiteral(":/images/icon_default_privew.jpg")));
}

QLabel *FileInfoWidget::iconLabel() const
{
    return ui->iconLabel;
}

QLabel *FileInfoWidget::fileDateLabel() const
{
    return ui->fileDateLabel;
}

QLabel *FileInfoWidget::fileNameLabel() const
{
    return ui->fileNameLabel;
}

QToolButton *FileInfoWidget::deleteButton() const
{
    return ui->itemDeleteButton;
}

void FileInfoWidget::deleteItemOnClick()
{
    qDebug() << "###### 删除 ##########";
    emit removeItem(ui->itemDeleteButton->objectName());
}
