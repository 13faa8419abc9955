// The seek slider: jump clicks, hover values, enter/leave notifications.
#include "slider.h"

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

class TestSlider : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void constructedHorizontalWithTracking();
    void jumpClickLeftOfHandle_data();
    void jumpClickLeftOfHandle();
    void clickOnHandleIsPlainPress();
    void rightClickPassesThrough();
    void hoverReportsValueUnderMouse();
    void enterAndLeaveOnce();
    void emptyRangeGivesMinimum();

private:
    QRect handleRect() const;
    Slider *slider = nullptr;
};

void TestSlider::init()
{
    slider = new Slider;
    slider->resize(400, 24);
    slider->setRange(0, 300);
    slider->setValue(150);
    slider->show();
    QVERIFY(QTest::qWaitForWindowExposed(slider));
}

void TestSlider::cleanup()
{
    delete slider;
    slider = nullptr;
}

QRect TestSlider::handleRect() const
{
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.subControls = QStyle::SC_None;
    opt.activeSubControls = QStyle::SC_None;
    opt.orientation = slider->orientation();
    opt.maximum = slider->maximum();
    opt.minimum = slider->minimum();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    opt.upsideDown = false;
    return slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle,
                                           slider);
}

void TestSlider::constructedHorizontalWithTracking()
{
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QVERIFY(slider->hasMouseTracking());
}

void TestSlider::jumpClickLeftOfHandle_data()
{
    QTest::addColumn<int>("x");
    QTest::newRow("near left") << 40;
    QTest::newRow("quarter") << 100;
    QTest::newRow("right of handle") << 350;
}

void TestSlider::jumpClickLeftOfHandle()
{
    QFETCH(int, x);
    QVERIFY(!handleRect().contains(QPoint(x, 12)));
    QSignalSpy moved(slider, &QSlider::sliderMoved);
    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    QStringList order;
    connect(slider, &QSlider::sliderMoved, this, [&] { order << "moved"; });
    connect(slider, &QSlider::sliderPressed, this, [&] { order << "pressed"; });

    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x, 12));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(order, (QStringList{"moved", "pressed"}));
    const int value = moved.first().first().toInt();
    QCOMPARE(slider->sliderPosition(), value);
    // The handle is centred under the pointer (within a pixel of rounding).
    QVERIFY2(qAbs(handleRect().center().x() - x) <= 1,
             qPrintable(QString("handle centre %1, click %2").arg(handleRect().center().x()).arg(x)));
    // The value is proportional to the click position along the usable groove.
    const double expected = 300.0 * x / slider->width();
    QVERIFY2(qAbs(value - expected) < 300 * 0.08,
             qPrintable(QString("value %1 for x %2").arg(value).arg(x)));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(x, 12));
}

void TestSlider::clickOnHandleIsPlainPress()
{
    QSignalSpy moved(slider, &QSlider::sliderMoved);
    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    const QPoint centre = handleRect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, centre);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(pressed.count(), 1); // the base slider's own press
    QVERIFY(slider->isSliderDown());
    QCOMPARE(slider->value(), 150);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, centre);
}

void TestSlider::rightClickPassesThrough()
{
    QSignalSpy moved(slider, &QSlider::sliderMoved);
    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    QTest::mousePress(slider, Qt::RightButton, {}, QPoint(30, 12));
    QCOMPARE(moved.count(), 0);
    QCOMPARE(pressed.count(), 0);
    QCOMPARE(slider->value(), 150);
    QTest::mouseRelease(slider, Qt::RightButton, {}, QPoint(30, 12));
}

void TestSlider::hoverReportsValueUnderMouse()
{
    QSignalSpy hover(slider, &Slider::onHover);
    for (int x : {0, 100, 200, 399})
        QTest::mouseMove(slider, QPoint(x, 12));
    QTRY_COMPARE(hover.count(), 4);
    QCOMPARE(hover.at(0).at(0).toInt(), 0);
    QCOMPARE(hover.at(0).at(1).toInt(), 0);
    QCOMPARE(hover.at(3).at(0).toInt(), 399);
    QCOMPARE(hover.at(3).at(1).toInt(), 300);
    const int mid = hover.at(2).at(1).toInt();
    QVERIFY2(qAbs(mid - 150) <= 3, qPrintable(QString::number(mid)));
    QVERIFY(hover.at(1).at(1).toInt() < mid);
    QCOMPARE(slider->value(), 150); // hovering never moves the handle
}

void TestSlider::enterAndLeaveOnce()
{
    QSignalSpy enter(slider, &Slider::onEnter);
    QSignalSpy leave(slider, &Slider::onLeave);
    QEvent enterEvent(QEvent::Enter);
    QCoreApplication::sendEvent(slider, &enterEvent);
    QCOMPARE(enter.count(), 1);
    QCOMPARE(leave.count(), 0);
    QEvent leaveEvent(QEvent::Leave);
    QCoreApplication::sendEvent(slider, &leaveEvent);
    QCOMPARE(enter.count(), 1);
    QCOMPARE(leave.count(), 1);
}

void TestSlider::emptyRangeGivesMinimum()
{
    slider->setRange(7, 7);
    QSignalSpy hover(slider, &Slider::onHover);
    QSignalSpy moved(slider, &QSlider::sliderMoved);
    QTest::mouseMove(slider, QPoint(300, 12));
    QTRY_COMPARE(hover.count(), 1);
    QCOMPARE(hover.first().at(1).toInt(), 7);
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(350, 12));
    if (!moved.isEmpty())
        QCOMPARE(moved.first().first().toInt(), 7);
    QCOMPARE(slider->value(), 7);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(350, 12));
}

QTEST_MAIN(TestSlider)
#include "test_slider.moc"
