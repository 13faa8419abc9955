// The route of a 4-hour drive (one point a second) on the real map page: how long each script
// call holds the page's thread, timed inside the page (performance.now around the call), plus
// the C++ time to build the scripts and the time of a click's nearest-point search.
// Run under Xvfb: xvfb-run -a bench_map_route [points] [points per call]
#include "mapscript.h"
#include "tilesource.h"
#include "webmapwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QtMath>
#include <algorithm>
#include <cstdio>

namespace {

// No tiles: the bench measures the route, not the network.
class NoNetwork : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (info.requestUrl().scheme().startsWith(QLatin1String("http")))
            info.block(true);
    }
};

QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    QEventLoop loop;
    page->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}

// Wrapped so the page reports how long the call itself ran.
double timedCall(QWebEnginePage *page, const QString &script)
{
    return evaluate(page, QStringLiteral("(function(){var t=performance.now();%1;"
                                         "return performance.now()-t;})()")
                              .arg(script))
        .toDouble();
}

} // namespace

int main(int argc, char *argv[])
{
    TileSource::registerUrlScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int points = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 14400;
    const int perCall = argc > 2 ? QString::fromLatin1(argv[2]).toInt()
                                 : MapScript::routePointsPerCall;

    // A winding drive over 40 recordings of 6 minutes with speeds from 0 to 140 km/h and a
    // minute without fix every hour.
    AssistInfoList samples;
    QVector<int> clips;
    double lat = 48.0, lon = 11.0;
    for (int i = 0; i < points; ++i) {
        const double heading = i * 0.002 + qSin(i * 0.05);
        const int speed = int(70 + 70 * qSin(i * 0.003));
        lat += qCos(heading) * speed / 3.6 / 111000.0;
        lon += qSin(heading) * speed / 3.6 / 74000.0;
        AssistInfo s;
        s.hasPosition = i % 3600 >= 60;
        s.latitudeDeg = lat;
        s.longitudeDeg = lon;
        s.speed = speed;
        s.timeMs = qint64(i) * 1000;
        samples.append(s);
        clips.append(i / 360);
    }
    QElapsedTimer build;
    build.start();
    const QStringList scripts =
        MapScript::driveRouteScripts(samples, clips, MapScript::SpeedUnit::Kmh, perCall);
    const double buildMs = build.nsecsElapsed() / 1e6;

    NoNetwork interceptor;
    QWebEngineProfile profile;
    profile.setUrlRequestInterceptor(&interceptor);
    WebMapWidget view;
    QWebEnginePage *page = new QWebEnginePage(&profile, &view);
    view.setPage(page);
    view.installBridge();
    view.resize(1000, 700);
    view.show();
    QEventLoop ready;
    QObject::connect(&view, &WebMapWidget::mapReady, &ready, &QEventLoop::quit);
    view.load(QUrl(QStringLiteral("qrc:/html/map/OpenStreetMap.html")));
    ready.exec();

    QVector<double> times;
    qint64 chars = 0;
    for (const QString &script : scripts) {
        times.append(timedCall(page, script));
        chars = std::max<qint64>(chars, script.size());
    }
    const double clipMs = timedCall(page, MapScript::routeClipScript(20));
    const double markerMs = timedCall(page, QStringLiteral("updateMarkerPosition1(%1,%2)")
                                                .arg(lat, 0, 'g', 10)
                                                .arg(lon, 0, 'g', 10));
    // A click's search for the nearest point runs through every point of the route.
    const double clickMs = timedCall(
        page, QStringLiteral("routeClick({containerPoint: L.point(500, 350)})"));
    const int drawn = evaluate(page, QStringLiteral("drive.lat.length")).toInt();

    std::printf("points %d (drawn %d), %d per call, %d calls, largest script %lld chars\n",
                points, drawn, perCall, int(scripts.size()), chars);
    std::printf("C++ script building: %.1f ms\n", buildMs);
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf("page time per call: max %.1f ms, mean %.1f ms, total %.1f ms\n",
                *std::max_element(times.cbegin(), times.cend()), sum / times.size(), sum);
    std::printf("driveRouteClip %.1f ms, marker %.1f ms, click search %.1f ms\n", clipMs,
                markerMs, clickMs);
    return 0;
}
