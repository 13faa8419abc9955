#pragma once

#include <QSlider>

// The playback position slider: a click off the handle jumps straight to that point, and the
// value under the mouse is reported while hovering (for the time tip). Marks (events of the
// drive within the recording) are drawn as ticks above the groove.
class Slider : public QSlider
{
    Q_OBJECT

public:
    explicit Slider(QWidget *parent = nullptr);
    ~Slider() override;

    // Values to mark; those outside the range are not drawn.
    void setMarks(const QList<int> &values);
    const QList<int> &marks() const { return m_marks; }

signals:
    void onEnter();
    void onLeave();
    void onHover(int pos, int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QList<int> m_marks;
};
