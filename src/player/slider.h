#pragma once

#include <QSlider>

// The playback position slider: a click off the handle jumps straight to that point, and the
// value under the mouse is reported while hovering (for the time tip).
class Slider : public QSlider
{
    Q_OBJECT

public:
    explicit Slider(QWidget *parent = nullptr);
    ~Slider() override;

signals:
    void onEnter();
    void onLeave();
    void onHover(int pos, int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
};
