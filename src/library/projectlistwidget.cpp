#include "projectlistwidget.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace {

// The list takes a reference to a file and leaves the file where it is. A drop accepted as a move
// would tell the source (a file manager) that it may delete what it handed over.
void acceptAsCopy(QDropEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace

ProjectListWidget::ProjectListWidget(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("listWidget"));
    setContextMenuPolicy(Qt::CustomContextMenu);
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(true);
    // Drops land on the viewport of a scroll area, not on the list itself.
    viewport()->setAcceptDrops(true);
}

void ProjectListWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        startPos = event->pos();
    QListWidget::mousePressEvent(event);
}

void ProjectListWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton) {
        const int distance = (event->pos() - startPos).manhattanLength();
        QListWidgetItem *item = currentItem();
        if (distance >= QApplication::startDragDistance() && item) {
            auto *mimeData = new QMimeData;
            mimeData->setText(item->text());
            auto *drag = new QDrag(this);
            drag->setMimeData(mimeData);
            // Whatever the target does with the text, the row and its library entry stay.
            drag->exec(Qt::MoveAction);
        }
    }
    QListWidget::mouseMoveEvent(event);
}

void ProjectListWidget::dragEnterEvent(QDragEnterEvent *event)
{
    acceptAsCopy(event);
}

void ProjectListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    // The item view would refuse the drag over rows (it has no drop mode); keep the acceptance
    // given on entering so files can be dropped anywhere on the list.
    acceptAsCopy(event);
}

void ProjectListWidget::dropEvent(QDropEvent *event)
{
    const QMimeData *mimeData = event->mimeData();
    if (mimeData && mimeData->hasUrls()) {
        acceptAsCopy(event);
        emit dropFileEvent(mimeData->urls());
    }
}
