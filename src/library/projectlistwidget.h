#pragma once

#include <QList>
#include <QListWidget>
#include <QPoint>
#include <QUrl>

// The library list: accepts files dropped from a file manager and hands their URLs on.
class ProjectListWidget : public QListWidget
{
    Q_OBJECT
public:
    explicit ProjectListWidget(QWidget *parent = nullptr);

signals:
    void dropFileEvent(QList<QUrl> urls);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QPoint startPos;
};
