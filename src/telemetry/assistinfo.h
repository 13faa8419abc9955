#pragma once

#include <QList>
#include <QString>
#include <cstdint>

// One telemetry sample: what a camera recorded for one time slot of a recording.
struct AssistInfo
{
    float x = 0.0f;      // G-sensor X axis in g; 0 when the layout carries none
    float y = 0.0f;      // G-sensor Y axis in g
    float z = 0.0f;      // G-sensor Z axis in g
    QString longitude;   // decimal degrees as text, negative west; empty = no position
    QString latitude;    // decimal degrees as text, negative south; empty = no position
    int32_t speed = 0;   // km/h; 0 when unknown
    double course = 0.0; // course over ground in degrees 0..360; 0 when the layout carries none
};

using AssistInfoList = QList<AssistInfo>;
