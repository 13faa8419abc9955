#pragma once

#include <QPixmap>
#include <QWidget>

namespace Ui {
class FileInfoWidget;
}
class QLabel;
class QToolButton;

// One row of the library list: thumbnail, date, name and a delete button whose object name is
// the row's file path.
class FileInfoWidget : public QWidget
{
    Q_OBJECT
public:
    explicit FileInfoWidget(QWidget *parent = nullptr);
    ~FileInfoWidget() override;

    void setFileInfo(const QString &path, const QString &date, const QString &name);
    void setThumbnail(const QPixmap &pixmap);
    // Back to the picture a new row starts with, for a row reused for a file without thumbnail.
    void showDefaultThumbnail();
    QString filePath() const { return path; }

    QLabel *iconLabel() const;
    QLabel *fileDateLabel() const;
    QLabel *fileNameLabel() const;
    QToolButton *deleteButton() const;

signals:
    void removeItem(QString path);

public slots:
    void deleteItemOnClick();

private:
    Ui::FileInfoWidget *ui;
    QString path;
};
