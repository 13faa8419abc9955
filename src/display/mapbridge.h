#pragma once

#include <QJsonValue>
#include <QObject>

// What the map page sees of the application through the web channel, under the name "qtui".
// The page is a web document (it loads tiles from the network and runs a third-party library),
// so it gets an object of its own instead of the window: one slot through which it reports a
// click on the route or on an event mark, as a number the host checks before anyone sees it.
class MapBridge : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // No drive is longer than this; a larger number is not a drive time (and would not fit).
    static constexpr double maxDriveMs = 1e12;

public slots:
    // The drive time (ms) of the route point or event mark the user clicked. Taken as it came
    // from the page, so that a null (JavaScript's NaN and Infinity travel as null), a string or
    // an object is refused instead of read as 0; anything but a number from 0 to maxDriveMs is
    // ignored.
    void reportRouteClick(const QJsonValue &driveMs);

signals:
    void routeClicked(qint64 driveMs);
};
