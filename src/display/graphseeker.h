#pragma once

#include <QObject>

class QCustomPlot;

// Seeking from the G-sensor graph: a press of the left button inside the plot's axis rect, and
// every move while it is held, ask for the key under the mouse (the graph's key axis:
// TelemetryView's seconds or track samples), clamped to the visible key range. The cursor line
// moves there at once, so it follows the drag before playback catches up.
//
// Owned by the plot; the plot's own mouse handling is left as it is.
class GraphSeeker : public QObject
{
    Q_OBJECT
public:
    // Installs itself on the plot.
    explicit GraphSeeker(QCustomPlot *plot);

    bool isDragging() const { return mDragging; }

signals:
    void seekRequested(double key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void seekTo(int x);

    QCustomPlot *mPlot;
    bool mDragging = false;
};
