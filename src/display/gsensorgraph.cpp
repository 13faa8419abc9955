#include "gsensorgraph.h"

#include <qcustomplot.h>

namespace GSensorGraph {

namespace {

// The label colours beside the graph match these pens.
const QColor graphColours[graphCount] = {
    QColor(255, 255, 255), // X
    QColor(1, 190, 232),   // Y
    QColor(255, 207, 71),  // Z
    QColor(216, 30, 6),    // unused
    QColor(216, 30, 6),    // cursor
};

void styleAxis(QCPAxis *axis)
{
    axis->setBasePen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    axis->setTickPen(QPen(Qt::black));
    axis->setSubTickPen(QPen(Qt::white));
    axis->setTickLabelColor(Qt::white);
    axis->setUpperEnding(QCPLineEnding(QCPLineEnding::esSpikeArrow, 8, 10));
    // The grid keeps its colour but draws nothing: the curves stand on a plain ground.
    axis->grid()->setPen(QPen(QColor(80, 80, 80), 1, Qt::NoPen));
    axis->grid()->setSubGridPen(QPen(QColor(80, 80, 80), 1, Qt::NoPen));
    axis->grid()->setSubGridVisible(true);
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

bool hasGraphs(const QCustomPlot *plot)
{
    return plot && plot->graphCount() >= graphCount;
}

} // namespace

void setupGraph(QCustomPlot *plot)
{
    if (!plot)
        return;
    QLinearGradient background;
    background.setColorAt(0, QColor(18, 18, 18));
    plot->setBackground(QBrush(background));
    styleAxis(plot->xAxis);
    styleAxis(plot->yAxis);
    plot->yAxis->setRange(-2, 2);
    plot->xAxis->setRange(0, 1);
}

void setCurves(QCustomPlot *plot, const AssistInfoList &samples)
{
    setCurves(plot, TelemetryView::graphSeries(samples, false));
}

void setCurves(QCustomPlot *plot, const TelemetryView::Series &series)
{
    if (!plot || series.keys.isEmpty())
        return;
    while (plot->graphCount() < graphCount) {
        QCPGraph *graph = plot->addGraph();
        graph->setPen(QPen(graphColours[plot->graphCount() - 1], 1));
    }
    // Samples come in time order, so QCustomPlot need not sort the keys.
    plot->graph(0)->setData(series.keys, series.x, true);
    plot->graph(1)->setData(series.keys, series.y, true);
    plot->graph(2)->setData(series.keys, series.z, true);
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void clearCurves(QCustomPlot *plot)
{
    if (!hasGraphs(plot))
        return;
    for (int i = 0; i < graphCount; ++i)
        plot->graph(i)->data()->clear();
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void setKeyRange(QCustomPlot *plot, double upper)
{
    if (!plot)
        return;
    plot->xAxis->setRange(0, upper);
    plot->replot();
}

void setCursor(QCustomPlot *plot, double key)
{
    if (!hasGraphs(plot) || key < 0)
        return;
    const QVector<double> keys{key, key};
    const QVector<double> values{cursorTop, cursorBottom};
    // Both points share a key, so they must stay in the given order: top to bottom.
    plot->graph(cursorGraph)->setData(keys, values, true);
    plot->replot();
}

} // namespace GSensorGraph
