#pragma once

#include "assistinfo.h"
#include "telemetryview.h"

class QCustomPlot;

// Set-up and feeding of the G-sensor graph (QCustomPlot 2.1). Graphs, in index order: 0 X, 1 Y,
// 2 Z against the key axis (TelemetryView: seconds, or track samples), 3 unused, 4 the cursor
// line. They are created by the first
// setCurves() that has samples; until then the functions that feed them do nothing.
namespace GSensorGraph {

constexpr int graphCount = 5;
constexpr int cursorGraph = 4;
constexpr double cursorTop = 1.8;
constexpr double cursorBottom = -1.8;

// Styling and axis ranges, once: value axis -2..2 g, key axis 0..1 until the first duration.
void setupGraph(QCustomPlot *plot);

// The X, Y and Z curves of a recording's samples at one key per second of their time (untimed
// samples: their index) and a replot. The curves are replaced, never added to.
void setCurves(QCustomPlot *plot, const AssistInfoList &samples);
// The same from ready series (keys in order).
void setCurves(QCustomPlot *plot, const TelemetryView::Series &series);

// Empties the X, Y and Z curves and the cursor.
void clearCurves(QCustomPlot *plot);

// Key axis 0..upper, then a replot.
void setKeyRange(QCustomPlot *plot, double upper);

// A vertical line from +1.8 g to -1.8 g at a key, then a replot.
void setCursor(QCustomPlot *plot, double key);

} // namespace GSensorGraph
