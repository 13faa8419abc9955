// The real map page in QtWebEngine: the host's scripts, queued until the page is ready, must
// leave the page in the expected state. Every request to the network is blocked, so the tests
// also show that the page works without tiles.
#include "mapbridge.h"
#include "mappage.h"
#include "mapscript.h"
#include "pagescript.h"
#include "webmapwidget.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRegularExpression>
#include <QPointer>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QtTest>

namespace {

const QUrl mapUrl(QStringLiteral("qrc:/html/map/OpenStreetMap.html"));
constexpr int pageTimeout = 90000; // a loaded machine needs tens of seconds for the first page

// What Leaflet holds: every polyline's points, every marker, the view.
const char *stateScript = R"JS(
(function () {
    var lines = [], markers = [];
    map.eachLayer(function (layer) {
        if (layer instanceof L.Polyline) {
            lines.push(layer.getLatLngs().map(function (p) { return [p.lat, p.lng]; }));
        } else if (layer instanceof L.Marker) {
            var o = layer.options.icon.options;
            markers.push({ lat: layer.getLatLng().lat, lng: layer.getLatLng().lng,
                           title: layer.options.title, iconUrl: o.iconUrl,
                           iconSize: o.iconSize, iconAnchor: o.iconAnchor,
                           popupAnchor: o.popupAnchor });
        }
    });
    var c = map.getCenter();
    return JSON.stringify({ lines: lines, markers: markers, center: [c.lat, c.lng],
                            zoom: map.getZoom() });
})()
)JS";

// A sample as a reader gives it: with a fix when both texts are numbers (the reader parsed
// them), without one otherwise.
AssistInfo at(const QString &latitude, const QString &longitude)
{
    AssistInfo s;
    s.latitude = latitude;
    s.longitude = longitude;
    bool latOk = false;
    bool lonOk = false;
    s.latitudeDeg = latitude.toDouble(&latOk);
    s.longitudeDeg = longitude.toDouble(&lonOk);
    s.hasPosition = latOk && lonOk;
    return s;
}

AssistInfo noFix(const QString &latitude, const QString &longitude)
{
    AssistInfo s = at(latitude, longitude);
    s.hasPosition = false;
    return s;
}

QJsonArray pair(double a, double b)
{
    return QJsonArray{a, b};
}

} // namespace

class TestWebMapWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pageStartsWithMapAndCar();
    void scriptsWaitForThePage();
    void routeIsOnePolylineThroughThePoints();
    void clearPathRemovesTheRoute();
    void markerMovesWithoutMovingTheView();
    void emptyRouteKeepsThePageWorking();
    void reloadQueuesScriptsAgain();
    void webChannelGivesThePageOnlyTheBridge();

private:
    bool waitReady();
    QVariant evaluate(const QString &script, bool *ok);
    QJsonObject state();

    OfflineInterceptor *mInterceptor = nullptr;
    QWebEngineProfile *mProfile = nullptr;
    WebMapWidget *mView = nullptr;
    ConsolePage *mPage = nullptr;
    QPointer<QObject> mHost;
};

void TestWebMapWidget::init()
{
    mInterceptor = new OfflineInterceptor;
    mProfile = new QWebEngineProfile; // off the record: nothing written to disk
    mProfile->setUrlRequestInterceptor(mInterceptor);
    mView = new WebMapWidget;
    mPage = new ConsolePage(mProfile, mView);
    mView->setPage(mPage);
    mHost = mView->installBridge();
    mView->resize(800, 600);
    mView->show();
}

void TestWebMapWidget::cleanup()
{
    if (mPage)
        QVERIFY2(mPage->errors.isEmpty(), qPrintable(mPage->errors.join('\n')));
    delete mView; // the page goes with it, before its profile
    mView = nullptr;
    mPage = nullptr;
    delete mProfile;
    mProfile = nullptr;
    delete mInterceptor;
    mInterceptor = nullptr;
}

bool TestWebMapWidget::waitReady()
{
    if (mView->isMapReady())
        return true;
    QSignalSpy ready(mView, &WebMapWidget::mapReady);
    return ready.wait(pageTimeout) || mView->isMapReady();
}

QVariant TestWebMapWidget::evaluate(const QString &script, bool *ok)
{
    // Short: the checks that call it retry, and a script sent while the page reloads may never
    // be answered.
    return evaluateInPage(mPage, script, 10000, ok);
}

QJsonObject TestWebMapWidget::state()
{
    bool ok = false;
    const QVariant json = evaluate(QString::fromLatin1(stateScript), &ok);
    if (!ok)
        return QJsonObject();
    return QJsonDocument::fromJson(json.toString().toUtf8()).object();
}

void TestWebMapWidget::pageStartsWithMapAndCar()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    const QJsonObject s = state();
    QCOMPARE(s.value("lines").toArray().size(), 0);
    QCOMPARE(s.value("center").toArray(), pair(51.505, -0.09));
    QCOMPARE(s.value("zoom").toInt(), 10);
    const QJsonArray markers = s.value("markers").toArray();
    QCOMPARE(markers.size(), 1);
    const QJsonObject car = markers.first().toObject();
    QCOMPARE(car.value("title").toString(), QStringLiteral("My Car"));
    QCOMPARE(car.value("lat").toDouble(), 51.505);
    QCOMPARE(car.value("lng").toDouble(), -0.09);
    QCOMPARE(car.value("iconUrl").toString(), QStringLiteral("car.png"));
    QCOMPARE(car.value("iconSize").toArray(), pair(26, 40));
    QCOMPARE(car.value("iconAnchor").toArray(), pair(12, 34));
    QCOMPARE(car.value("popupAnchor").toArray(), pair(-3, -76));

    bool ok = false;
    // The car picture itself is in the resources and has the size the anchor is measured in.
    QTRY_VERIFY_WITH_TIMEOUT(
        evaluate("(function(){var i=document.querySelector('img.leaflet-marker-icon');"
                 "return !!i && i.complete && i.naturalWidth === 26 && i.naturalHeight === 40;})()",
                 &ok)
            .toBool(),
        pageTimeout);
    const QImage car_png(QStringLiteral(":/html/map/car.png"));
    QCOMPARE(car_png.size(), QSize(26, 40));
    QVERIFY(qAlpha(car_png.pixel(12, 34)) > 0); // the reference point is on the drawing
    QCOMPARE(qAlpha(car_png.pixel(0, 39)), 0);  // the corners are see-through

    // Leaflet's style sheet is applied (the map pane is positioned by it).
    QCOMPARE(evaluate("getComputedStyle(document.querySelector('.leaflet-pane')).position", &ok)
                 .toString(),
             QStringLiteral("absolute"));
    QCOMPARE(evaluate("[tileLayer.options.maxZoom, tileLayer.getAttribution()].join('|')", &ok)
                 .toString(),
             QStringLiteral("17|&copy; OpenStreetMap contributors"));

    // Tiles are asked for from a {z}/{x}/{y}.png server; without network the page carries on.
    const QRegularExpression tileUrl(QStringLiteral("^https://[^/]+/\\d+/\\d+/\\d+\\.png$"));
    QTRY_VERIFY_WITH_TIMEOUT(!mInterceptor->blockedUrls().isEmpty(), pageTimeout);
    for (const QString &url : mInterceptor->blockedUrls())
        QVERIFY2(tileUrl.match(url).hasMatch(), qPrintable(url));
}

void TestWebMapWidget::scriptsWaitForThePage()
{
    const AssistInfoList route{at("48.85", "2.29"), at("48.86", "2.30")};
    // Sent before the page even started loading: nothing may be lost, and order is kept.
    mView->runMapScript(MapScript::routeScript(route));
    mView->runMapScript(MapScript::markerScript(at("48.855", "2.295")));
    mView->runMapScript(QString()); // nothing to send is not queued
    QCOMPARE(mView->pendingScriptCount(), 2);
    QVERIFY(!mView->isMapReady());

    mView->load(mapUrl);
    mView->runMapScript(MapScript::markerScript(at("48.857", "2.297")));
    QVERIFY(waitReady());
    QCOMPARE(mView->pendingScriptCount(), 0);

    QJsonObject s;
    QTRY_VERIFY_WITH_TIMEOUT((s = state()).value("lines").toArray().size() == 1, pageTimeout);
    QCOMPARE(s.value("lines").toArray().first().toArray(),
             (QJsonArray{pair(48.85, 2.29), pair(48.86, 2.30)}));
    const QJsonObject car = s.value("markers").toArray().first().toObject();
    QCOMPARE(car.value("lat").toDouble(), 48.857);
    QCOMPARE(car.value("lng").toDouble(), 2.297);
}

void TestWebMapWidget::routeIsOnePolylineThroughThePoints()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    const AssistInfoList route{
        noFix("0", "0"), // before the first fix
        at("05.50160", "-000.20170"),
        at("05.50210]);window.injected=1;([", "-000.20190"),
        at("05.50260", "-000.20230"),
        at("", ""),
        at("05.50330", "-000.20280"),
    };
    mView->runMapScript(MapScript::routeScript(route));

    QJsonObject s;
    QTRY_VERIFY_WITH_TIMEOUT((s = state()).value("lines").toArray().size() == 1, pageTimeout);
    QCOMPARE(s.value("lines").toArray().first().toArray(),
             (QJsonArray{pair(5.5016, -0.2017), pair(5.5026, -0.2023), pair(5.5033, -0.2028)}));
    // The map was fitted to the route, so the whole route is in view and the start view is gone.
    bool ok = false;
    QVERIFY(evaluate("map.getBounds().contains([[5.5016,-0.2017],[5.5033,-0.2028]])", &ok)
                .toBool());
    QVERIFY(s.value("zoom").toInt() > 10);
    QCOMPARE(evaluate("typeof window.injected", &ok).toString(), QStringLiteral("undefined"));
    // The marker stays where it started until a position arrives.
    const QJsonObject car = s.value("markers").toArray().first().toObject();
    QCOMPARE(car.value("lat").toDouble(), 51.505);

    // The route of the next file of a recording is drawn over the first one.
    mView->runMapScript(MapScript::routeScript({at("5.51", "-0.21"), at("5.52", "-0.22")}));
    QTRY_COMPARE_WITH_TIMEOUT(state().value("lines").toArray().size(), 2, pageTimeout);
}

void TestWebMapWidget::clearPathRemovesTheRoute()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    mView->runMapScript(MapScript::routeScript({at("35.68", "139.76"), at("35.69", "139.70")}));
    mView->runMapScript(MapScript::markerScript(at("35.685", "139.73")));
    QTRY_COMPARE_WITH_TIMEOUT(state().value("lines").toArray().size(), 1, pageTimeout);

    mView->runMapScript(QStringLiteral("ClearPath()"));
    QJsonObject s;
    QTRY_VERIFY_WITH_TIMEOUT((s = state()).value("lines").toArray().isEmpty(), pageTimeout);
    QCOMPARE(s.value("center").toArray(), pair(51.505, -0.09));
    QCOMPARE(s.value("zoom").toInt(), 10);
    const QJsonArray markers = s.value("markers").toArray();
    QCOMPARE(markers.size(), 1);
    QCOMPARE(markers.first().toObject().value("lat").toDouble(), 51.505);
    QCOMPARE(markers.first().toObject().value("lng").toDouble(), -0.09);

    // The rebuilt map takes a new route.
    mView->runMapScript(MapScript::routeScript({at("35.68", "139.76"), at("35.69", "139.70")}));
    QTRY_COMPARE_WITH_TIMEOUT(state().value("lines").toArray().size(), 1, pageTimeout);
}

void TestWebMapWidget::markerMovesWithoutMovingTheView()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    mView->runMapScript(MapScript::routeScript({at("-33.86", "151.20"), at("-33.87", "151.22")}));
    QJsonObject before;
    QTRY_VERIFY_WITH_TIMEOUT((before = state()).value("lines").toArray().size() == 1,
                             pageTimeout);

    for (const AssistInfo &sample : {at("-33.861", "151.201"), at("-33.862", "151.205"),
                                     noFix("0", "0"), at("", ""), at("-33.868", "151.219")}) {
        mView->runMapScript(MapScript::markerScript(sample));
    }
    QJsonObject car;
    QTRY_VERIFY_WITH_TIMEOUT(
        (car = state().value("markers").toArray().first().toObject()).value("lng").toDouble()
            == 151.219,
        pageTimeout);
    QCOMPARE(car.value("lat").toDouble(), -33.868);
    const QJsonObject after = state();
    QCOMPARE(after.value("center"), before.value("center"));
    QCOMPARE(after.value("zoom"), before.value("zoom"));

    // A position without a fix leaves the car where it is (not at latitude 0, longitude 0).
    mView->runMapScript(MapScript::markerScript(noFix("0", "0")));
    mView->runMapScript(QStringLiteral("updateMarkerPosition1(NaN, 151)"));
    bool ok = false;
    QCOMPARE(evaluate("carMarker.getLatLng().lat", &ok).toDouble(), -33.868);
}

void TestWebMapWidget::emptyRouteKeepsThePageWorking()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    // A recording whose samples all lack a position sends an empty route.
    mView->runMapScript(MapScript::routeScript({noFix("0", "0")}));
    mView->runMapScript(MapScript::markerScript(at("1.29", "103.85")));
    QTRY_COMPARE_WITH_TIMEOUT(
        state().value("markers").toArray().first().toObject().value("lat").toDouble(), 1.29,
        pageTimeout);
    const QJsonObject s = state();
    QCOMPARE(s.value("center").toArray(), pair(51.505, -0.09));
    // cleanup() checks that no exception reached the console.
}

void TestWebMapWidget::reloadQueuesScriptsAgain()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    mView->runMapScript(MapScript::routeScript({at("40.71", "-74.00"), at("40.72", "-74.01")}));
    QTRY_COMPARE_WITH_TIMEOUT(state().value("lines").toArray().size(), 1, pageTimeout);

    QSignalSpy ready(mView, &WebMapWidget::mapReady);
    mView->reload();
    // Sent while the new page is on its way: it must reach the new page, not the old one.
    mView->runMapScript(MapScript::routeScript({at("40.73", "-74.02"), at("40.74", "-74.03")}));
    QVERIFY(!mView->isMapReady());
    QVERIFY(ready.wait(pageTimeout));
    QJsonObject s;
    QTRY_VERIFY_WITH_TIMEOUT((s = state()).value("lines").toArray().size() == 1, pageTimeout);
    QCOMPARE(s.value("lines").toArray().first().toArray(),
             (QJsonArray{pair(40.73, -74.02), pair(40.74, -74.03)}));
}

void TestWebMapWidget::webChannelGivesThePageOnlyTheBridge()
{
    // Host side: one object, the bridge, with one slot (the click report) and its signal, and
    // no properties of its own.
    const QHash<QString, QObject *> registered = mPage->webChannel()->registeredObjects();
    QCOMPARE(registered.keys(), QStringList{QStringLiteral("qtui")});
    QCOMPARE(registered.value(QStringLiteral("qtui")), mHost);
    const QMetaObject *meta = mHost->metaObject();
    QStringList own;
    for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i)
        own << QString::fromLatin1(meta->method(i).methodSignature());
    own.sort();
    QCOMPARE(own, (QStringList{"reportRouteClick(QJsonValue)", "routeClicked(qlonglong)"}));
    QCOMPARE(meta->propertyCount(), QObject::staticMetaObject.propertyCount());

    // Page side: the channel reaches the bridge, and the only functions the page could call are
    // the click report and QObject's deleteLater (which the channel never applies to a
    // registered object).
    mView->load(mapUrl);
    QVERIFY(waitReady());
    bool ok = false;
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluate("qtui === null ? '' : String(qtui.objectName)", &ok).toString(),
        QStringLiteral("mapBridge"), pageTimeout);
    // qwebchannel.js adds four helpers of its own to every object; they never reach the host.
    const QString callable = evaluate(
        "var own = ['propertyUpdate', 'signalEmitted', 'unwrapProperties', 'unwrapQObject'];"
        "Object.keys(qtui).filter(function (k) {"
        "  return typeof qtui[k] === 'function' && own.indexOf(k) < 0; }).sort().join(',')",
        &ok).toString();
    QVERIFY(ok);
    QCOMPARE(callable,
             QStringLiteral("deleteLater,deleteLater(),reportRouteClick,reportRouteClick(QJsonValue)"));
    // A report sent after it comes through the same channel: by then the call has been
    // handled, and a deletion it had asked for would have been carried out at once.
    QSignalSpy reported(qobject_cast<MapBridge *>(mHost.data()), &MapBridge::routeClicked);
    evaluate("qtui.deleteLater(); qtui.reportRouteClick(4242)", &ok);
    QVERIFY(ok);
    QTRY_COMPARE_WITH_TIMEOUT(reported.count(), 1, pageTimeout);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(mHost);
    QCOMPARE(mPage->webChannel()->registeredObjects().value(QStringLiteral("qtui")), mHost);
}

int main(int argc, char *argv[])
{
    // QtWebEngine needs contexts shared before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestWebMapWidget test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_webmapwidget.moc"
