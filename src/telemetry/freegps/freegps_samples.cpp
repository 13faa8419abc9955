#include "freegps_samples.h"

#include <cmath>

namespace freegps {

namespace {

constexpr qint64 kMaxClockJumpMs = 10 * 60 * 1000;

AssistInfo toSample(const Fix &f, qint64 timeMs)
{
    AssistInfo s;
    s.timeMs = timeMs;
    s.hasPosition = f.hasPosition;
    if (f.hasPosition) {
        s.latitudeDeg = f.latitude;
        s.longitudeDeg = f.longitude;
        s.latitude = QString::number(f.latitude, 'f', 7);
        s.longitude = QString::number(f.longitude, 'f', 7);
    }
    // Some variants keep speed and course although their coordinates cannot be read.
    s.speed = int32_t(std::lround(f.speedKmh));
    s.course = f.course;
    // The block's own date and time is the moment of the fix; the clock says whose it is.
    if (f.hasClock)
        s.setUtc(f.clockMs, f.cameraClock ? AssistInfo::Clock::Camera : AssistInfo::Clock::Gps);
    s.hasGSensor = f.hasG;
    if (f.hasG) {
        s.x = f.gx;
        s.y = f.gy;
        s.z = f.gz;
    }
    return s;
}

bool sameReport(const AssistInfo &a, const AssistInfo &b)
{
    return a.timeMs == b.timeMs && a.hasPosition == b.hasPosition
        && a.latitudeDeg == b.latitudeDeg && a.longitudeDeg == b.longitudeDeg
        && a.speed == b.speed && a.hasGSensor == b.hasGSensor && a.x == b.x && a.y == b.y
        && a.z == b.z;
}

} // namespace

AssistInfoList buildSamples(const QVector<BlockFixes> &blocks)
{
    AssistInfoList out;
    bool anchored = false;
    qint64 anchorClock = 0; // clock of the fix that anchors clock time to recording time
    qint64 anchorTime = 0;  // its recording time
    qint64 previousTime = 0;
    qint64 previousSlot = 0;
    for (int n = 0; n < blocks.size(); ++n) {
        const BlockFixes &fixes = blocks.at(n);
        for (int j = 0; j < fixes.size(); ++j) {
            const Fix &f = fixes.at(j);
            const qint64 slot = qint64(n) * 1000 + qint64(j) * 1000 / fixes.size();
            qint64 t = out.isEmpty() ? slot : previousTime + (slot - previousSlot);
            if (f.hasClock) {
                if (!anchored) {
                    anchored = true;
                    anchorClock = f.clockMs;
                    anchorTime = t;
                }
                const qint64 byClock = anchorTime + (f.clockMs - anchorClock);
                if (byClock >= previousTime && byClock - previousTime <= kMaxClockJumpMs) {
                    t = byClock;
                } else {
                    // The camera clock was set or switched zone: keep going from here.
                    anchorClock = f.clockMs;
                    anchorTime = t;
                }
            }
            if (t < previousTime)
                t = previousTime;
            previousTime = t;
            previousSlot = slot;
            const AssistInfo s = toSample(f, t);
            if (!out.isEmpty() && sameReport(out.last(), s))
                continue;
            out.append(s);
        }
    }
    return out;
}

} // namespace freegps
