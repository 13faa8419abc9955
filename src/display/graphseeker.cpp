#include "graphseeker.h"

#include "gsensorgraph.h"

#include <QMouseEvent>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

GraphSeeker::GraphSeeker(QCustomPlot *plot)
    : QObject(plot)
    , mPlot(plot)
{
    plot->installEventFilter(this);
}

bool GraphSeeker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != mPlot)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && mPlot->axisRect()
            && mPlot->axisRect()->rect().contains(mouse->pos())) {
            mDragging = true;
            seekTo(mouse->pos().x());
        }
        break;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mDragging && (mouse->buttons() & Qt::LeftButton))
            seekTo(mouse->pos().x());
        break;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            mDragging = false;
        break;
    default:
        break;
    }
    return false;
}

void GraphSeeker::seekTo(int x)
{
    const QCPRange range = mPlot->xAxis->range();
    const double key = std::clamp(mPlot->xAxis->pixelToCoord(x), range.lower, range.upper);
    if (!std::isfinite(key))
        return;
    GSensorGraph::setCursor(mPlot, key);
    emit seekRequested(key);
}
