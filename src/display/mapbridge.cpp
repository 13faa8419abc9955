#include "mapbridge.h"

#include <cmath>

void MapBridge::reportRouteClick(const QJsonValue &value)
{
    if (!value.isDouble())
        return;
    const double driveMs = value.toDouble();
    if (!std::isfinite(driveMs) || driveMs < 0 || driveMs > maxDriveMs)
        return;
    emit routeClicked(qint64(std::llround(driveMs)));
}
