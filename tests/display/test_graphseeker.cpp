// Seeking from a real QCustomPlot with real mouse events.
#include "graphseeker.h"
#include "gsensorgraph.h"

#include <QtTest>
#include <qcustomplot.h>

class TestGraphSeeker : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clickSeeksAndMovesTheCursor();
    void dragFollowsUntilRelease();
    void otherButtonsAndPlacesDoNothing();

private:
    QPoint pointOf(double key) const;
    double cursorKey() const;

    QCustomPlot *mPlot = nullptr;
    GraphSeeker *mSeeker = nullptr;
};

void TestGraphSeeker::init()
{
    mPlot = new QCustomPlot;
    GSensorGraph::setupGraph(mPlot);
    AssistInfoList samples;
    for (int i = 0; i < 61; ++i) {
        AssistInfo s;
        s.timeMs = i * 1000;
        s.x = 0.1f;
        samples.append(s);
    }
    GSensorGraph::setCurves(mPlot, samples);
    GSensorGraph::setKeyRange(mPlot, 60);
    mPlot->resize(640, 240);
    mPlot->show();
    QVERIFY(QTest::qWaitForWindowExposed(mPlot));
    mPlot->replot();
    mSeeker = new GraphSeeker(mPlot);
}

void TestGraphSeeker::cleanup()
{
    delete mPlot; // the seeker goes with it
    mPlot = nullptr;
}

QPoint TestGraphSeeker::pointOf(double key) const
{
    return QPoint(qRound(mPlot->xAxis->coordToPixel(key)), mPlot->axisRect()->center().y());
}

double TestGraphSeeker::cursorKey() const
{
    QCPGraph *cursor = mPlot->graph(GSensorGraph::cursorGraph);
    return cursor->data()->isEmpty() ? -1 : cursor->data()->constBegin()->key;
}

void TestGraphSeeker::clickSeeksAndMovesTheCursor()
{
    QSignalSpy seek(mSeeker, &GraphSeeker::seekRequested);
    QTest::mouseClick(mPlot, Qt::LeftButton, Qt::NoModifier, pointOf(30));
    QCOMPARE(seek.count(), 1);
    // One pixel is a tenth of a second on this axis: the key is the one under the mouse.
    const double key = seek.first().at(0).toDouble();
    QVERIFY2(qAbs(key - 30) < 0.2, qPrintable(QString::number(key)));
    QCOMPARE(cursorKey(), key);
    QVERIFY(!mSeeker->isDragging());
}

void TestGraphSeeker::dragFollowsUntilRelease()
{
    QSignalSpy seek(mSeeker, &GraphSeeker::seekRequested);
    QTest::mousePress(mPlot, Qt::LeftButton, Qt::NoModifier, pointOf(10));
    QVERIFY(mSeeker->isDragging());
    for (double key : {20.0, 40.0}) {
        QMouseEvent move(QEvent::MouseMove, pointOf(key), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(mPlot, &move);
    }
    // Past the end of the axis the seek stops at its end.
    QMouseEvent beyond(QEvent::MouseMove, QPoint(mPlot->width() + 50, pointOf(0).y()),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(mPlot, &beyond);
    QTest::mouseRelease(mPlot, Qt::LeftButton, Qt::NoModifier, pointOf(40));
    QCOMPARE(seek.count(), 4);
    const double keys[] = {10, 20, 40, 60};
    for (int i = 0; i < 4; ++i)
        QVERIFY(qAbs(seek.at(i).at(0).toDouble() - keys[i]) < 0.2);
    QCOMPARE(cursorKey(), 60.0);
    QVERIFY(!mSeeker->isDragging());

    // Moving after the release seeks nothing.
    QMouseEvent hover(QEvent::MouseMove, pointOf(5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(mPlot, &hover);
    QCOMPARE(seek.count(), 4);
}

void TestGraphSeeker::otherButtonsAndPlacesDoNothing()
{
    QSignalSpy seek(mSeeker, &GraphSeeker::seekRequested);
    QTest::mouseClick(mPlot, Qt::RightButton, Qt::NoModifier, pointOf(30));
    // Below the axis rect: the tick labels.
    QTest::mouseClick(mPlot, Qt::LeftButton, Qt::NoModifier,
                      QPoint(pointOf(30).x(), mPlot->axisRect()->bottom() + 10));
    QMouseEvent drag(QEvent::MouseMove, pointOf(20), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(mPlot, &drag);
    QCOMPARE(seek.count(), 0);
    QCOMPARE(cursorKey(), -1.0);
}

QTEST_MAIN(TestGraphSeeker)
#include "test_graphseeker.moc"
