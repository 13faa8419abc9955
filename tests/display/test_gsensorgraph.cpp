#include "gsensorgraph.h"

#include <QtTest>
#include <qcustomplot.h>

namespace {

AssistInfoList samplesOf(int n)
{
    AssistInfoList list;
    for (int i = 0; i < n; ++i) {
        AssistInfo s;
        s.x = 0.01f * i;
        s.y = -0.02f * i;
        s.z = 1.0f - 0.001f * i;
        list.append(s);
    }
    return list;
}

QVector<QPointF> pointsOf(QCPGraph *graph)
{
    QVector<QPointF> points;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        points.append(QPointF(it->key, it->value));
    return points;
}

} // namespace

class TestGSensorGraph : public QObject
{
    Q_OBJECT

private slots:
    void setupStylesAxes();
    void firstLoadCreatesFiveGraphs();
    void noSamplesCreatesNothing();
    void nextLoadReplacesCurves();
    void cursorIsOneVerticalLine();
    void cursorBeforeAnyLoadIsHarmless();
    void keyRangeAndClear();
    void rendersOffscreen();
};

void TestGSensorGraph::setupStylesAxes()
{
    QCustomPlot plot;
    GSensorGraph::setupGraph(&plot);
    QCOMPARE(plot.yAxis->range(), QCPRange(-2, 2));
    QCOMPARE(plot.xAxis->range(), QCPRange(0, 1));
    for (QCPAxis *axis : {plot.xAxis, plot.yAxis}) {
        QCOMPARE(axis->basePen().color(), QColor(Qt::white));
        QCOMPARE(axis->basePen().capStyle(), Qt::SquareCap);
        QCOMPARE(axis->basePen().joinStyle(), Qt::BevelJoin);
        QCOMPARE(axis->tickPen().color(), QColor(Qt::black));
        QCOMPARE(axis->subTickPen().color(), QColor(Qt::white));
        QCOMPARE(axis->tickLabelColor(), QColor(Qt::white));
        QCOMPARE(axis->upperEnding().style(), QCPLineEnding::esSpikeArrow);
        QCOMPARE(axis->upperEnding().width(), 8.0);
        QCOMPARE(axis->upperEnding().length(), 10.0);
        QCOMPARE(axis->grid()->pen().style(), Qt::NoPen);
        QCOMPARE(axis->grid()->subGridPen().style(), Qt::NoPen);
        QCOMPARE(axis->grid()->pen().color(), QColor(80, 80, 80));
        QVERIFY(axis->grid()->subGridVisible());
        QCOMPARE(axis->grid()->zeroLinePen().style(), Qt::NoPen);
    }
}

void TestGSensorGraph::firstLoadCreatesFiveGraphs()
{
    QCustomPlot plot;
    GSensorGraph::setupGraph(&plot);
    GSensorGraph::setCurves(&plot, samplesOf(4));
    QCOMPARE(plot.graphCount(), 5);
    const QColor pens[] = {QColor(255, 255, 255), QColor(1, 190, 232), QColor(255, 207, 71),
                           QColor(216, 30, 6), QColor(216, 30, 6)};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(plot.graph(i)->pen().color(), pens[i]);
        QCOMPARE(plot.graph(i)->pen().width(), 1);
    }
    const QVector<QPointF> x = pointsOf(plot.graph(0));
    const QVector<QPointF> y = pointsOf(plot.graph(1));
    const QVector<QPointF> z = pointsOf(plot.graph(2));
    QCOMPARE(x.size(), 4);
    QCOMPARE(y.size(), 4);
    QCOMPARE(z.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(x[i].x(), double(i));
        QCOMPARE(x[i].y(), double(0.01f * i));
        QCOMPARE(y[i].y(), double(-0.02f * i));
        QCOMPARE(z[i].y(), double(1.0f - 0.001f * i));
    }
    QVERIFY(plot.graph(3)->data()->isEmpty());
    QVERIFY(plot.graph(4)->data()->isEmpty());
}

void TestGSensorGraph::noSamplesCreatesNothing()
{
    QCustomPlot plot;
    GSensorGraph::setupGraph(&plot);
    GSensorGraph::setCurves(&plot, AssistInfoList());
    QCOMPARE(plot.graphCount(), 0);
}

void TestGSensorGraph::nextLoadReplacesCurves()
{
    QCustomPlot plot;
    GSensorGraph::setCurves(&plot, samplesOf(50));
    GSensorGraph::setCurves(&plot, samplesOf(3));
    QCOMPARE(plot.graphCount(), 5);
    QCOMPARE(plot.graph(0)->data()->size(), 3);
    QCOMPARE(plot.graph(2)->data()->size(), 3);
    QCOMPARE(pointsOf(plot.graph(1)).last(), QPointF(2, double(-0.02f * 2)));
}

void TestGSensorGraph::cursorIsOneVerticalLine()
{
    QCustomPlot plot;
    GSensorGraph::setCurves(&plot, samplesOf(200));
    GSensorGraph::setCursor(&plot, 150);
    QCOMPARE(pointsOf(plot.graph(4)), (QVector<QPointF>{{150, 1.8}, {150, -1.8}}));
    // Moving on leaves one line, not a trail.
    GSensorGraph::setCursor(&plot, 151);
    QCOMPARE(pointsOf(plot.graph(4)), (QVector<QPointF>{{151, 1.8}, {151, -1.8}}));
    QCOMPARE(plot.graph(0)->data()->size(), 200);
}

void TestGSensorGraph::cursorBeforeAnyLoadIsHarmless()
{
    QCustomPlot plot;
    GSensorGraph::setupGraph(&plot);
    GSensorGraph::setCursor(&plot, 3);
    GSensorGraph::clearCurves(&plot);
    QCOMPARE(plot.graphCount(), 0);
    GSensorGraph::setCurves(nullptr, samplesOf(2));
    GSensorGraph::setCursor(nullptr, 1);
}

void TestGSensorGraph::keyRangeAndClear()
{
    QCustomPlot plot;
    GSensorGraph::setupGraph(&plot);
    GSensorGraph::setCurves(&plot, samplesOf(900));
    GSensorGraph::setKeyRange(&plot, 900);
    QCOMPARE(plot.xAxis->range(), QCPRange(0, 900));
    QCOMPARE(plot.yAxis->range(), QCPRange(-2, 2));
    GSensorGraph::setCursor(&plot, 10);
    GSensorGraph::clearCurves(&plot);
    QCOMPARE(plot.graphCount(), 5);
    for (int i = 0; i < 5; ++i)
        QVERIFY(plot.graph(i)->data()->isEmpty());
}

void TestGSensorGraph::rendersOffscreen()
{
    // The drawn picture: the X curve in white on the near-black ground, the cursor in red.
    QCustomPlot plot;
    plot.resize(400, 200);
    GSensorGraph::setupGraph(&plot);
    AssistInfoList flat;
    for (int i = 0; i < 100; ++i) {
        AssistInfo s;
        s.x = 1.0f;
        s.y = -1.0f;
        s.z = 0.5f;
        flat.append(s);
    }
    GSensorGraph::setCurves(&plot, flat);
    GSensorGraph::setKeyRange(&plot, 100);
    GSensorGraph::setCursor(&plot, 50);
    // Drawing lays the plot out; only then do the axes map values to pixels.
    const QImage image = plot.toPixmap(400, 200).toImage();
    const int cursorX = int(plot.xAxis->coordToPixel(50));
    const int xCurveY = int(plot.yAxis->coordToPixel(1.0));
    const int groundY = int(plot.yAxis->coordToPixel(-1.5));
    // Lines are antialiased over neighbouring pixels: look at the three around each.
    auto anyAround = [&image](int x, int y, bool horizontal, auto test) {
        for (int d = -1; d <= 1; ++d) {
            if (test(image.pixelColor(horizontal ? x + d : x, horizontal ? y : y + d)))
                return true;
        }
        return false;
    };
    auto red = [](QColor c) { return c.red() > 120 && c.green() < 60 && c.blue() < 40; };
    auto white = [](QColor c) { return c.red() > 150 && c.green() > 150 && c.blue() > 150; };
    QVERIFY(anyAround(cursorX, groundY, true, red));
    QVERIFY(anyAround(cursorX / 2, xCurveY, false, white));
    QVERIFY(!anyAround(cursorX / 2, groundY, false, white));
    QCOMPARE(image.pixelColor(cursorX / 2, groundY), QColor(18, 18, 18));
}

QTEST_MAIN(TestGSensorGraph)
#include "test_gsensorgraph.moc"
