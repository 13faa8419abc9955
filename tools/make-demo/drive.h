#pragma once

#include <QVector>

// One second of a simulated drive, as a dashboard camera's GPS and G-sensor would log it.
struct DriveSample
{
    bool fix = false;  // false while the receiver is still acquiring satellites
    double latitude = 0.0;  // decimal degrees, north positive
    double longitude = 0.0; // decimal degrees, east positive
    double speedKmh = 0.0;
    double course = 0.0;    // degrees clockwise from north, 0..360
    double gx = 0.0;        // lateral, g (positive to the right)
    double gy = 0.0;        // longitudinal, g (positive when speeding up)
    double gz = 1.0;        // vertical, g (1 at rest)
};

// A drive through central Berlin, from the Brandenburg Gate east along Unter den Linden,
// past Alexanderplatz and out along Karl-Marx-Allee and Frankfurter Allee: city speeds,
// traffic-light stops, turns, bumps. Deterministic: the same seconds give the same samples.
QVector<DriveSample> simulateDrive(int seconds);
