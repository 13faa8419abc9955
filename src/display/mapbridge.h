#pragma once

#include <QObject>

// What the map page sees of the application through the web channel, under the name "qtui".
// The page is a web document (it loads tiles from the network and runs a third-party library),
// so it gets an object of its own with nothing to call, read or change: every map update goes
// the other way, as script calls from the window. Anything the page ever needs to tell the
// window belongs here as a narrow signal or slot, never as access to the window itself.
class MapBridge : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
};
