#include "drive.h"

#include <QtMath>
#include <random>

namespace {

struct Waypoint
{
    double lat;
    double lon;
    double limitKmh;  // speed on the stretch that starts here
    int stopSeconds;  // wait at this point (traffic light), 0 = drive through
};

// Real streets, approximate positions.
const Waypoint kRoute[] = {
    {52.51628, 13.37770, 40, 0},  // Pariser Platz, Brandenburg Gate
    {52.51688, 13.38430, 45, 0},  // Unter den Linden
    {52.51720, 13.38860, 45, 18}, // Friedrichstrasse crossing
    {52.51760, 13.39440, 50, 0},  // State Opera
    {52.51815, 13.39860, 45, 0},  // Schlossbruecke
    {52.51930, 13.40230, 50, 22}, // Lustgarten, Karl-Liebknecht-Strasse
    {52.52110, 13.40790, 50, 0},  // Spandauer Strasse
    {52.52250, 13.41270, 40, 15}, // Alexanderplatz
    {52.52140, 13.41700, 60, 0},  // Alexanderstrasse turn
    {52.51990, 13.42330, 70, 0},  // Karl-Marx-Allee
    {52.51830, 13.42990, 70, 25}, // Strausberger Platz
    {52.51680, 13.43800, 80, 0},  // Karl-Marx-Allee east
    {52.51580, 13.44540, 80, 20}, // Frankfurter Tor
    {52.51460, 13.45600, 80, 0},  // Frankfurter Allee
    {52.51330, 13.46700, 70, 0},
    {52.51210, 13.47720, 60, 16}, // Ringbahn bridge
    {52.51120, 13.48550, 50, 0},
    {52.51060, 13.49200, 0, 0},   // end of the drive: parks here
};
constexpr int kPoints = int(sizeof(kRoute) / sizeof(kRoute[0]));
constexpr double kEarth = 6371000.0;
constexpr double kG = 9.80665;

// Distances along the route on a local flat projection (the route spans a few kilometres).
double segmentLength(int i)
{
    const double lat0 = qDegreesToRadians(kRoute[i].lat);
    const double dy = qDegreesToRadians(kRoute[i + 1].lat - kRoute[i].lat) * kEarth;
    const double dx = qDegreesToRadians(kRoute[i + 1].lon - kRoute[i].lon) * kEarth * qCos(lat0);
    return qSqrt(dx * dx + dy * dy);
}

double segmentCourse(int i)
{
    const double lat0 = qDegreesToRadians(kRoute[i].lat);
    const double dy = kRoute[i + 1].lat - kRoute[i].lat;
    const double dx = (kRoute[i + 1].lon - kRoute[i].lon) * qCos(lat0);
    double c = qRadiansToDegrees(qAtan2(dx, dy));
    return c < 0 ? c + 360.0 : c;
}

double angleDifference(double from, double to)
{
    double d = to - from;
    while (d > 180.0)
        d -= 360.0;
    while (d < -180.0)
        d += 360.0;
    return d;
}

} // namespace

QVector<DriveSample> simulateDrive(int seconds)
{
    QVector<double> start(kPoints, 0.0); // distance of each waypoint from the start
    for (int i = 1; i < kPoints; ++i)
        start[i] = start[i - 1] + segmentLength(i - 1);

    std::mt19937 random(20261207);
    std::normal_distribution<double> jitter(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);

    constexpr double dt = 0.1;
    constexpr int stepsPerSecond = 10;
    constexpr double accel = 1.5;  // m/s^2, relaxed city pull-away
    constexpr double brake = 2.0;  // m/s^2, planned braking
    constexpr int acquireSeconds = 2; // no fix right after power-on
    constexpr int parkedSeconds = 4;  // engine running before pulling away

    double s = 0.0;         // metres along the route
    double v = 0.0;         // m/s
    int segment = 0;
    int waited = 0;         // steps spent at the current stop
    int stopDoneAt = -1;    // waypoint whose stop has been served
    double heading = segmentCourse(0);
    double cruiseFactor = 0.95;
    int nextBump = 40 + int(uniform(random) * 200);

    QVector<DriveSample> out;
    out.reserve(seconds);
    for (int second = 0; second < seconds; ++second) {
        const double v0 = v;
        const double heading0 = heading;
        double bump = 0.0;
        for (int step = 0; step < stepsPerSecond; ++step) {
            const int tick = second * stepsPerSecond + step;
            while (segment < kPoints - 2 && s >= start[segment + 1])
                ++segment;
            if (tick % 150 == 0)
                cruiseFactor = 0.88 + 0.12 * uniform(random);

            // Next point where the car must stop (a light not yet served, or the end).
            int stopAt = kPoints - 1;
            for (int i = segment + 1; i < kPoints - 1; ++i) {
                if (kRoute[i].stopSeconds > 0 && i != stopDoneAt) {
                    stopAt = i;
                    break;
                }
            }
            const double toStop = start[stopAt] - s;
            double limit = kRoute[segment].limitKmh / 3.6 * cruiseFactor;
            // Slow down ahead of a slower stretch as well as ahead of a stop.
            if (segment + 1 < kPoints - 1) {
                const double nextLimit = kRoute[segment + 1].limitKmh / 3.6 * cruiseFactor;
                const double toNext = start[segment + 1] - s;
                if (nextLimit < limit)
                    limit = qMin(limit, qSqrt(nextLimit * nextLimit + 2 * brake * toNext));
            }

            double a = 0.0;
            if (second < parkedSeconds) {
                a = 0.0;
            } else if (toStop < 1.5 && v < 0.6) {
                // Standing at the light.
                v = 0.0;
                if (stopAt == kPoints - 1) {
                    a = 0.0;
                } else if (++waited >= kRoute[stopAt].stopSeconds * stepsPerSecond) {
                    waited = 0;
                    stopDoneAt = stopAt;
                }
            } else {
                const double stopSpeed = qSqrt(qMax(0.0, 2 * brake * (toStop - 1.0)));
                const double target = qMin(limit, stopSpeed);
                if (v > target + 0.3)
                    a = -qMin(brake * 1.4, (v - target) / dt);
                else if (v < target - 0.3)
                    a = accel * (1.0 - v / 25.0);
                else
                    a = 0.0;
            }
            v = qMax(0.0, v + a * dt);
            s = qMin(start[kPoints - 1], s + v * dt);

            // The car turns over a few metres rather than at a point.
            double want = segmentCourse(segment);
            heading += angleDifference(heading, want) * qMin(1.0, v * dt / 12.0);
            if (heading < 0)
                heading += 360.0;
            if (heading >= 360.0)
                heading -= 360.0;

            if (v > 2.0 && --nextBump <= 0) {
                bump = (uniform(random) < 0.5 ? -1.0 : 1.0) * (0.12 + 0.2 * uniform(random));
                nextBump = 60 + int(uniform(random) * 300);
            }
        }

        // Position from the distance travelled.
        while (segment < kPoints - 2 && s >= start[segment + 1])
            ++segment;
        const double len = start[segment + 1] - start[segment];
        const double f = len > 0 ? qBound(0.0, (s - start[segment]) / len, 1.0) : 0.0;

        DriveSample d;
        d.fix = second >= acquireSeconds;
        d.latitude = kRoute[segment].lat + f * (kRoute[segment + 1].lat - kRoute[segment].lat);
        d.longitude = kRoute[segment].lon + f * (kRoute[segment + 1].lon - kRoute[segment].lon);
        d.speedKmh = v * 3.6;
        d.course = heading;
        const double moving = v > 0.5 ? 1.0 : 0.25; // an idling engine still shakes a little
        d.gy = (v - v0) / kG + 0.01 * moving * jitter(random);
        d.gx = v * qDegreesToRadians(angleDifference(heading0, heading)) / kG
               + 0.01 * moving * jitter(random);
        d.gz = 1.0 + 0.015 * moving * jitter(random) + bump;
        out.append(d);
    }
    return out;
}
