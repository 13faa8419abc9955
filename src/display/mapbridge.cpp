#include "mapbridge.h"

#include <cmath>

void MapBridge::reportRouteClick(double driveMs)
{
    if (!std::isfinite(driveMs) || driveMs < 0 || driveMs > maxDriveMs)
        return;
    emit routeClicked(qint64(std::llround(driveMs)));
}
