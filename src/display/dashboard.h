#pragma once

#include "assistinfo.h"

#include <QString>

// Arithmetic and label texts of the dashboard beside the video. Plain functions: the main window
// gathers the inputs (duration, position, the open recording's samples, the "speed" setting),
// calls these and applies the results to its widgets.
namespace Dashboard {

// A playing time in whole seconds: "mm:ss" below one hour, "h:mm:ss" from one hour on (3700 s
// reads "1:01:40"). Negative times read as zero.
QString timeLabelText(qint64 seconds);

// "X:-0.500": an axis letter, a colon and the value in g with three decimals.
QString gValueText(QChar axis, double value);
// "X:--": an axis letter when there is no value for the moment shown.
QString noGValueText(QChar axis);

// Speed label for a speed in km/h: speed setting 0 shows "100KM/H", any other shows miles per
// hour rounded to an integer, "62MPH".
QString speedText(int speedKmh, int speedSetting);

// The speed label before anything plays: "0KM/H", or "0MPH " (with a trailing space).
QString initialSpeedText(int speedSetting);
// The speed label at a moment without a sample: "--KM/H" or "--MPH".
QString noSpeedText(int speedSetting);

// Whether a recording's samples are worth the map and the telemetry panel: one has a position
// (by its fix; 0 degrees is a place) or a speed, or the recorded G readings take at least three
// different values. Constant G values are what a reader fills in for blocks that carry none (a
// real sensor is never that still; the fills give at most two), so they alone show nothing.
bool hasTelemetryToShow(const AssistInfoList &samples);

} // namespace Dashboard
