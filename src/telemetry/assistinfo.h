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

    // Time of the sample from the start of the recording in milliseconds; -1 until the loader
    // (or the reader) has given it one. Consumers look samples up by this, never by index.
    qint64 timeMs = -1;
    // The sample carries a fix: latitudeDeg/longitudeDeg hold it. 0 is a place (the equator,
    // Greenwich); "no position" is only ever said by this flag.
    bool hasPosition = false;
    double latitudeDeg = 0.0;  // decimal degrees, negative south; meaningless without a fix
    double longitudeDeg = 0.0; // decimal degrees, negative west; meaningless without a fix
    bool hasGSensor = true;    // x/y/z were recorded (false for layouts that carry no G values)

    // The moment the sample was taken, in ms since 1970-01-01 UTC, where the recording says it;
    // -1 when it does not. Never the file's modification time.
    qint64 utcMs = -1;
    enum class Clock : quint8 {
        None,   // utcMs is -1
        Gps,    // from the GPS receiver (RMC date and time, GPMF GPSU, a block's date fields)
        Camera, // the camera's own clock (a file name, a stamp written beside the fix): may be
                // local time and may be off; shown as such
    };
    Clock utcClock = Clock::None;
    void setUtc(qint64 ms, Clock clock)
    {
        utcMs = ms < 0 ? -1 : ms;
        utcClock = ms < 0 ? Clock::None : clock;
    }
};

using AssistInfoList = QList<AssistInfo>;
