#include "slider.h"

#include <QDebug>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

Slider::Slider(QWidget *parent) : QSlider(parent)
{
    setOrientation(Qt::Horizontal);
    setAttribute(Qt::WA_MouseTracking);
}

Slider::~Slider() = default;

void Slider::mouseMoveEvent(QMouseEvent *event)
{
    const int length = style()->pixelMetric(QStyle::PM_SliderLength);
    const int value = QStyle::sliderValueFromPosition(minimum(), maximum(),
                                                      event->x() - (length - 1) / 2,
                                                      width() - (length - 1), false);
    emit onHover(event->x(), value);
    QSlider::mouseMoveEvent(event);
}

void Slider::mousePressEvent(QMouseEvent *event)
{
    qDebug("pressed (%d, %d)", event->x(), event->y());
    if (event->button() != Qt::LeftButton) {
        QSlider::mousePressEvent(event);
        return;
    }
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt,
                                                 QStyle::SC_SliderHandle, this);
    if (handle.contains(event->pos())) {
        QSlider::mousePressEvent(event);
        return;
    }
    qDebug("accept");
    event->accept();
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt,
                                                 QStyle::SC_SliderGroove, this);
    const QRect sr = style()->subControlRect(QStyle::CC_Slider, &opt,
                                             QStyle::SC_SliderHandle, this);
    int sliderLength, sliderMin, sliderMax, pixelPos;
    const QPoint centreOffset = sr.center() - sr.topLeft();
    if (orientation() == Qt::Horizontal) {
        sliderLength = sr.width();
        sliderMin = groove.x();
        sliderMax = groove.right() - sliderLength + 1;
        pixelPos = event->pos().x() - centreOffset.x();
    } else {
        sliderLength = sr.height();
        sliderMin = groove.y();
        sliderMax = groove.bottom() - sliderLength + 1;
        pixelPos = event->pos().y() - centreOffset.y();
    }
    const int value = QStyle::sliderValueFromPosition(minimum(), maximum(), pixelPos - sliderMin,
                                                      sliderMax - sliderMin, opt.upsideDown);
    setSliderPosition(value);
    triggerAction(SliderMove);
    setRepeatAction(SliderNoAction, 500, 50);
    emit sliderMoved(value);
    emit sliderPressed();
}

void Slider::enterEvent(QEvent *event)
{
    emit onEnter();
    QSlider::enterEvent(event);
}

void Slider::leaveEvent(QEvent *event)
{
    emit onLeave();
    QSlider::leaveEvent(event);
}

void Slider::setMarks(const QList<int> &values)
{
    if (values == m_marks)
        return;
    m_marks = values;
    update();
}

void Slider::paintEvent(QPaintEvent *event)
{
    QSlider::paintEvent(event);
    if (m_marks.isEmpty() || maximum() <= minimum())
        return;
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const int handle = style()->pixelMetric(QStyle::PM_SliderLength, &opt, this);
    // The handle's centre travels from half a handle into the groove to half a handle before
    // its end: a mark sits where the handle's centre is at that value.
    const int span = qMax(1, groove.width() - handle);
    QPainter painter(this);
    painter.setPen(QPen(QColor(0xEF, 0x53, 0x62), 2));
    for (int value : qAsConst(m_marks)) {
        if (value < minimum() || value > maximum())
            continue;
        const int x = groove.x() + handle / 2
                      + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span);
        painter.drawLine(x, groove.top() - 4, x, groove.top());
    }
}
