// A drive on the real map page in QtWebEngine: the route of several recordings in chunks, its
// colours and gaps, the playing recording, event marks, clicks that report drive times,
// following the car, a renderer that dies, a network that never answers, local tiles and the
// disk cache of tiles.
#include "mapbridge.h"
#include "mappage.h"
#include "mapscript.h"
#include "pagescript.h"
#include "tilesource.h"
#include "webmapwidget.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTranslator>
#include <QWebEngineProfile>
#include <QtTest>
#include <csignal>
#include <sys/types.h>

namespace {

const QUrl mapUrl(QStringLiteral("qrc:/html/map/OpenStreetMap.html"));
constexpr int pageTimeout = 90000;

AssistInfo sample(double latitude, double longitude, int speed, qint64 ms)
{
    AssistInfo s;
    s.hasPosition = true;
    s.latitudeDeg = latitude;
    s.longitudeDeg = longitude;
    s.speed = speed;
    s.timeMs = ms;
    return s;
}

// Three recordings of 60 s, one sample a second heading north-east at rising speed, with the
// fix lost from 70 s to 79 s in the second recording.
struct TestDrive
{
    AssistInfoList samples;
    QVector<int> clips;
};

TestDrive threeClipDrive()
{
    TestDrive drive;
    for (int second = 0; second < 180; ++second) {
        AssistInfo s = sample(47.0 + second * 1e-4, 8.0 + second * 1e-4, second % 150,
                              qint64(second) * 1000);
        if (second >= 70 && second < 80)
            s.hasPosition = false;
        drive.samples.append(s);
        drive.clips.append(second / 60);
    }
    return drive;
}

QByteArray pngOf(QColor colour)
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A tile server on the loopback interface that lets tiles be cached for a day and counts what
// it was asked for.
class TileServer : public QTcpServer
{
public:
    int requests = 0;
    TileServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->peek(65536).contains("\r\n\r\n"))
                        return;
                    socket->readAll();
                    ++requests;
                    const QByteArray body = pngOf(Qt::darkGreen);
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n"
                                  "Cache-Control: public, max-age=86400\r\nContent-Length: "
                                  + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
};

// Sends OpenStreetMap's tile requests to a server of the test.
class RedirectInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    quint16 port = 0;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        QUrl url = info.requestUrl();
        if (url.host() == QLatin1String("tile.openstreetmap.org")) {
            url.setScheme(QStringLiteral("http"));
            url.setHost(QStringLiteral("127.0.0.1"));
            url.setPort(port);
            info.redirect(url);
        } else if (url.scheme().startsWith(QLatin1String("http")) && url.host() != "127.0.0.1") {
            info.block(true);
        }
    }
};

qint64 folderBytes(const QString &path)
{
    qint64 total = 0;
    QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

} // namespace

class TestMapDrive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void routeColouredInRunsWithGaps();
    void playingRecordingIsEmphasised();
    void clicksOnRouteAndEventsReportDriveTime();
    void bridgeRefusesWhatIsNotADriveTime();
    void carIsFollowedUntilTheMapIsDragged();
    void deadRendererGetsTheMapBack();
    void readyAndRouteWithoutNetwork();
    void localTilesFromFolderAndMBTiles();
    void tilesSeenAreKeptOnDisk();

private:
    bool waitReady();
    QVariant evaluate(const QString &script);
    void showDrive(const TestDrive &drive);
    QPoint containerPoint(double latitude, double longitude);
    void click(QPoint at);

    OfflineInterceptor *mInterceptor = nullptr;
    QWebEngineProfile *mProfile = nullptr;
    WebMapWidget *mView = nullptr;
    ConsolePage *mPage = nullptr;
};

void TestMapDrive::init()
{
    mInterceptor = new OfflineInterceptor;
    mProfile = new QWebEngineProfile;
    mProfile->setUrlRequestInterceptor(mInterceptor);
    mView = new WebMapWidget;
    mPage = new ConsolePage(mProfile, mView);
    mView->setPage(mPage);
    mView->installBridge();
    mView->resize(800, 600);
    mView->show();
}

void TestMapDrive::cleanup()
{
    if (mPage)
        QVERIFY2(mPage->errors.isEmpty(), qPrintable(mPage->errors.join('\n')));
    delete mView;
    mView = nullptr;
    mPage = nullptr;
    delete mProfile;
    mProfile = nullptr;
    delete mInterceptor;
    mInterceptor = nullptr;
}

bool TestMapDrive::waitReady()
{
    if (mView->isMapReady())
        return true;
    QSignalSpy ready(mView, &WebMapWidget::mapReady);
    return ready.wait(pageTimeout) || mView->isMapReady();
}

QVariant TestMapDrive::evaluate(const QString &script)
{
    bool ok = false;
    const QVariant result = evaluateInPage(mView->page(), script, pageTimeout, &ok);
    if (!ok)
        qWarning() << "no answer to" << script.left(80);
    return result;
}

void TestMapDrive::showDrive(const TestDrive &drive)
{
    mView->setDriveRoute(
        MapScript::driveRouteScripts(drive.samples, drive.clips, MapScript::SpeedUnit::Kmh, 50));
    // Asked while the page may still be loading: the page's own variables may not exist yet.
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("typeof drive === 'object' && drive ? drive.lat.length "
                                       ": -1").toInt(),
                              170, pageTimeout);
}

QPoint TestMapDrive::containerPoint(double latitude, double longitude)
{
    const QJsonArray p = QJsonDocument::fromJson(
        evaluate(QStringLiteral("(function(){var p=map.latLngToContainerPoint([%1,%2]);"
                                "return JSON.stringify([p.x,p.y]);})()")
                     .arg(latitude, 0, 'g', 12)
                     .arg(longitude, 0, 'g', 12))
            .toString().toUtf8()).array();
    return QPoint(qRound(p.at(0).toDouble()), qRound(p.at(1).toDouble()));
}

void TestMapDrive::click(QPoint at)
{
    QWidget *target = mView->focusProxy() ? mView->focusProxy() : mView;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);
}

void TestMapDrive::routeColouredInRunsWithGaps()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    showDrive(threeClipDrive());

    // Every polyline of the route, as lists of [lat, lon] runs, with its colour.
    const QJsonArray lines = QJsonDocument::fromJson(evaluate(R"JS(JSON.stringify(
        drive.lines.filter(function (l) { return !!l; }).map(function (l) {
            return { colour: l.options.color, runs: l.getLatLngs().map(function (run) {
                return run.map(function (p) { return [p.lat, p.lng]; }); }) };
        })))JS").toString().toUtf8()).array();
    // Speeds 0..149 km/h cover all six bands, each in its own colour.
    QCOMPARE(lines.size(), 6);
    QSet<QString> colours;
    int segments = 0;
    for (const QJsonValue &line : lines) {
        colours.insert(line.toObject().value("colour").toString());
        for (const QJsonValue &run : line.toObject().value("runs").toArray()) {
            const QJsonArray points = run.toArray();
            for (int i = 1; i < points.size(); ++i) {
                // Consecutive points of a run are consecutive seconds: nothing bridges the
                // ten seconds without fix.
                const double step = points.at(i).toArray().at(0).toDouble()
                                    - points.at(i - 1).toArray().at(0).toDouble();
                QVERIFY2(qAbs(step - 1e-4) < 1e-9, "a run skips seconds");
                ++segments;
            }
        }
    }
    QCOMPARE(colours.size(), 6);
    // 170 points in two stretches give 168 segments, each drawn once, across band changes too.
    QCOMPARE(segments, 168);
    // The legend names the unit; the view holds the whole drive.
    QVERIFY(evaluate("document.querySelector('.zv-legend').textContent").toString()
                .startsWith("km/h"));
    QVERIFY(evaluate("map.getBounds().contains([[47,8],[47.0179,8.0179]])").toBool());
    // Fitted to one recording's stretch, the map no longer holds the whole drive; an area
    // that is no place on earth changes nothing.
    mView->fitArea(MapScript::fitAreaScript(47.0, 8.0, 47.001, 8.001));
    QTRY_VERIFY_WITH_TIMEOUT(!evaluate("map.getBounds().contains([[47.0179,8.0179]])").toBool(),
                             pageTimeout);
    QVERIFY(evaluate("map.getBounds().contains([[47.0005,8.0005]])").toBool());
    const int zoom = evaluate("map.getZoom()").toInt();
    mView->runMapScript(QStringLiteral("fitArea(91, 8, 92, 9)"));
    QCOMPARE(evaluate("map.getZoom()").toInt(), zoom);

    // A new route in mph replaces the old one, and a drive without positions leaves none.
    AssistInfoList short_{sample(10, 10, 100, 0), sample(10.001, 10.001, 100, 1000)};
    mView->setDriveRoute(
        MapScript::driveRouteScripts(short_, {0, 0}, MapScript::SpeedUnit::Mph));
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("drive.lat.length").toInt(), 2, pageTimeout);
    QCOMPARE(evaluate("drive.speed[0]").toDouble(), 62.1);
    QVERIFY(evaluate("document.querySelector('.zv-legend').textContent").toString()
                .startsWith("mph"));
    QCOMPARE(evaluate("document.querySelectorAll('.zv-legend').length").toInt(), 1);
    mView->setDriveRoute({});
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("drive.lat.length").toInt(), 0, pageTimeout);
    QCOMPARE(evaluate("document.querySelectorAll('.zv-legend').length").toInt(), 0);
    // Malformed points are skipped, not drawn.
    mView->runMapScript("driveRouteBegin(0)");
    mView->runMapScript("driveRouteAdd([1,2,3,4,0,1, 95,2,3,4,0,0, 1,2,NaN,5,0,0, 1,2,3,-1,0,0,"
                        " 1,2,3,6,0.5,0, '1',2,3,7,0,0, 1,2,3,8,0,0])");
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("drive.ms.join(',')").toString(), QStringLiteral("4,8"),
                              pageTimeout);
}

void TestMapDrive::playingRecordingIsEmphasised()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    // Told before the route arrives: the emphasis is drawn as the points come.
    mView->setRouteClip(1);
    showDrive(threeClipDrive());
    const QString clipRuns = R"JS(JSON.stringify(drive.clipLine.getLatLngs().map(function (run) {
        return [run.length, run[0].lat]; })))JS";
    // Seconds 60..69 and 80..119: two runs, the fixless seconds not bridged.
    QCOMPARE(evaluate(clipRuns).toString(), QStringLiteral("[[10,47.006],[40,47.008]]"));
    mView->setRouteClip(2);
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(clipRuns).toString(), QStringLiteral("[[60,47.012]]"),
                              pageTimeout);
    // Beneath the route's colours.
    QVERIFY(evaluate("drive.clipLine.options.weight > drive.lines[0].options.weight").toBool());
}

void TestMapDrive::clicksOnRouteAndEventsReportDriveTime()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    const TestDrive drive = threeClipDrive();
    showDrive(drive);
    mView->setEventMarks(MapScript::eventMarksScript(drive.samples, {150000}));
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("drive.events.getLayers().length").toInt(), 1, pageTimeout);
    // The channel is up once the page has its bridge.
    QTRY_VERIFY_WITH_TIMEOUT(evaluate("qtui !== null").toBool(), pageTimeout);

    QSignalSpy clicked(mView, &WebMapWidget::routeClicked);
    // On the point of second 100, then a little beside it (points are a few pixels apart).
    click(containerPoint(47.01, 8.01));
    QVERIFY(clicked.wait(10000));
    QCOMPARE(clicked.takeFirst().at(0).toLongLong(), 100000);
    click(containerPoint(47.01, 8.01) + QPoint(2, -3));
    QVERIFY(clicked.wait(10000));
    QVERIFY(qAbs(clicked.takeFirst().at(0).toLongLong() - 100000) <= 2000);

    // The event mark reports its own time, not the route's under it.
    click(containerPoint(47.015, 8.015));
    QVERIFY(clicked.wait(10000));
    QCOMPARE(clicked.takeFirst().at(0).toLongLong(), 150000);
    QCOMPARE(clicked.count(), 0);

    // Far from the route nothing is reported: the first report to come is one the page sends
    // once the click's own handlers have run.
    evaluate("map.once('click', function () {"
             "  setTimeout(function () { qtui.reportRouteClick(4242); }, 0); }); true");
    click(QPoint(20, 580));
    QTRY_VERIFY_WITH_TIMEOUT(!clicked.isEmpty(), 10000);
    QCOMPARE(clicked.takeFirst().at(0).toLongLong(), 4242);
}

void TestMapDrive::bridgeRefusesWhatIsNotADriveTime()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    QTRY_VERIFY_WITH_TIMEOUT(evaluate("qtui !== null").toBool(), pageTimeout);
    QSignalSpy clicked(mView, &WebMapWidget::routeClicked);
    for (const char *argument : {"NaN", "Infinity", "-1", "'5000'", "null", "{}", "[7]", "1e13",
                                 "true", "1234.6"}) {
        const QVariant result = evaluate(
            QStringLiteral("(function(){try{qtui.reportRouteClick(%1);return 'sent';}"
                           "catch(e){return String(e);}})()").arg(QLatin1String(argument)));
        QCOMPARE(result.toString(), QStringLiteral("sent"));
    }
    // A last, valid report comes through the same channel after the refused ones.
    evaluate("qtui.reportRouteClick(4242)");
    QTRY_COMPARE_WITH_TIMEOUT(clicked.count(), 2, 10000);
    QCOMPARE(clicked.at(0).at(0).toLongLong(), 1235);
    QCOMPARE(clicked.at(1).at(0).toLongLong(), 4242);
}

void TestMapDrive::carIsFollowedUntilTheMapIsDragged()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    mView->setFollowTooltip(QStringLiteral("Follow \"the\" car"));
    showDrive(threeClipDrive());
    const QString centre = "(function(){var c=map.getCenter();return c.lat.toFixed(4)+','+"
                           "c.lng.toFixed(4);})()";
    const QString before = evaluate(centre).toString();

    // Inside the view the map stays; outside it, the map comes to the car.
    mView->runMapScript("updateMarkerPosition1(47.001,8.001)");
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("carMarker.getLatLng().lat").toDouble(), 47.001,
                              pageTimeout);
    QCOMPARE(evaluate(centre).toString(), before);
    mView->runMapScript("updateMarkerPosition1(47.5,8.5)");
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(centre).toString(), QStringLiteral("47.5000,8.5000"),
                              pageTimeout);

    // Dragging the map stops following.
    QWidget *target = mView->focusProxy() ? mView->focusProxy() : mView;
    QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    for (int step = 1; step <= 10; ++step) {
        QMouseEvent move(QEvent::MouseMove, QPointF(400 + step * 15, 300 + step * 5),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QTest::qWait(20);
    }
    QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, QPoint(550, 350));
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("followCar").toBool(), false, pageTimeout);
    mView->runMapScript("updateMarkerPosition1(46.5,7.5)");
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("carMarker.getLatLng().lat").toDouble(), 46.5, pageTimeout);
    QVERIFY(evaluate(centre).toString() != QStringLiteral("46.5000,7.5000"));

    // The button on the map, with the host's tooltip, turns it back on and brings the car back.
    QCOMPARE(evaluate("followControl.button.title").toString(), QStringLiteral("Follow \"the\" car"));
    const QJsonArray box = QJsonDocument::fromJson(
        evaluate("(function(){var r=followControl.button.getBoundingClientRect();"
                 "return JSON.stringify([r.left+r.width/2,r.top+r.height/2]);})()")
            .toString().toUtf8()).array();
    click(QPoint(qRound(box.at(0).toDouble()), qRound(box.at(1).toDouble())));
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(centre).toString(), QStringLiteral("46.5000,7.5000"),
                              pageTimeout);
    QVERIFY(evaluate("followCar").toBool());

    // The host can turn it off as well.
    mView->setFollowCar(false);
    mView->runMapScript("updateMarkerPosition1(47.5,8.5)");
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("carMarker.getLatLng().lat").toDouble(), 47.5, pageTimeout);
    QCOMPARE(evaluate(centre).toString(), QStringLiteral("46.5000,7.5000"));
}

void TestMapDrive::deadRendererGetsTheMapBack()
{
    mView->load(mapUrl);
    QVERIFY(waitReady());
    const TestDrive drive = threeClipDrive();
    showDrive(drive);
    mView->setRouteClip(2);
    mView->setEventMarks(MapScript::eventMarksScript(drive.samples, {30000, 150000}));
    mView->setFollowCar(false);
    mView->runMapScript("updateMarkerPosition1(47.0123,8.0123)");
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("carMarker.getLatLng().lat").toDouble(), 47.0123,
                              pageTimeout);

    const qint64 pid = mView->page()->renderProcessPid();
    QVERIFY(pid > 0);
    bool ended = false;
    connect(mView, &QWebEngineView::renderProcessTerminated, this, [&] { ended = true; });
    QSignalSpy ready(mView, &WebMapWidget::mapReady);
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    QVERIFY(QTest::qWaitFor([&] { return ended; }, pageTimeout));
    // Given while the new page is on its way: it comes after the old state.
    mView->runMapScript("updateMarkerPosition1(47.0124,8.0124)");
    QVERIFY(ready.count() > 0 || ready.wait(pageTimeout));

    QTRY_COMPARE_WITH_TIMEOUT(evaluate("drive.lat.length").toInt(), 170, pageTimeout);
    QCOMPARE(evaluate("drive.currentClip").toInt(), 2);
    QCOMPARE(evaluate("drive.events.getLayers().length").toInt(), 2);
    QCOMPARE(evaluate("followCar").toBool(), false);
    QCOMPARE(evaluate("carMarker.getLatLng().lat").toDouble(), 47.0124);
    QCOMPARE(evaluate("drive.lines.filter(function(l){return !!l;}).length").toInt(), 6);
}

void TestMapDrive::readyAndRouteWithoutNetwork()
{
    // Tile requests go to an address that never answers, as on a machine whose network is
    // gone: they stay open, and the page's load does not finish while they do. The route is
    // given before the page even starts, as the window does when it opens a recording at once.
    mInterceptor->hang = true;
    QSignalSpy finished(mView, &QWebEngineView::loadFinished);
    QElapsedTimer clock;
    clock.start();
    mView->load(mapUrl);
    showDrive(threeClipDrive());
    const qint64 routeShownMs = clock.elapsed();
    qInfo() << "route shown" << routeShownMs << "ms after the load; load finished:"
            << finished.count();
    // Loose: an idle machine takes well under a second, including the renderer's start.
    QVERIFY2(routeShownMs < 5000, qPrintable(QString::number(routeShownMs)));
    QTRY_VERIFY_WITH_TIMEOUT(!mInterceptor->blockedUrls().isEmpty(), pageTimeout);
}

void TestMapDrive::localTilesFromFolderAndMBTiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A folder with zoom levels 0..2, every tile red.
    const QByteArray red = pngOf(Qt::red);
    for (int z = 0; z <= 2; ++z)
        for (int x = 0; x < (1 << z); ++x) {
            QDir().mkpath(dir.filePath(QStringLiteral("folder/%1/%2").arg(z).arg(x)));
            for (int y = 0; y < (1 << z); ++y) {
                QFile f(dir.filePath(QStringLiteral("folder/%1/%2/%3.png").arg(z).arg(x).arg(y)));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(red);
            }
        }
    mView->load(mapUrl);
    QVERIFY(waitReady());
    // Offline, the online tiles fail: a note on the map says so, in the interface's language.
    const QString note = "(function(){var n=document.getElementById('tilenote');"
                         "return n.style.display==='block'?n.textContent:'';})()";
    QTRY_VERIFY_WITH_TIMEOUT(!evaluate(note).toString().isEmpty(), pageTimeout);
    const QString english = evaluate(note).toString();
    QTranslator german;
    QVERIFY(german.load(QStringLiteral(":/trans/Deutsch.qm")));
    QCoreApplication::installTranslator(&german);
    QTRY_VERIFY_WITH_TIMEOUT(!evaluate(note).toString().isEmpty()
                                 && evaluate(note).toString() != english,
                             pageTimeout);
    QCoreApplication::removeTranslator(&german);

    QVERIFY(mView->setTileSource(dir.filePath("folder")));
    mView->runMapScript("map.setView([0, 0], 2)");
    const QString loaded = "(function(){var l=[].slice.call(document.querySelectorAll("
                           "'img.leaflet-tile-loaded'));return l.filter(function(i){return "
                           "i.src.indexOf('zevidud-tiles://tiles/')===0 && i.naturalWidth===256;})"
                           ".length;})()";
    QTRY_VERIFY_WITH_TIMEOUT(evaluate(loaded).toInt() >= 4, pageTimeout);
    // Tiles have come: the note is gone.
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(note).toString(), QString(), pageTimeout);
    QCOMPARE(evaluate("tileLayer.options.maxZoom").toInt(), 2);
    // Nothing went to the network for them.
    QVERIFY(mInterceptor->blockedUrls().filter("/2/").isEmpty());

    // An MBTiles file made with Qt SQL, zoom 0..3.
    const QString mbtiles = dir.filePath("tiles.mbtiles");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make-mbtiles");
        db.setDatabaseName(mbtiles);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                       "tile_row INTEGER, tile_data BLOB)"));
        const QByteArray blue = pngOf(Qt::blue);
        for (int z = 0; z <= 3; ++z)
            for (int x = 0; x < (1 << z); ++x)
                for (int y = 0; y < (1 << z); ++y) {
                    q.prepare("INSERT INTO tiles VALUES (?, ?, ?, ?)");
                    q.addBindValue(z);
                    q.addBindValue(x);
                    q.addBindValue(y);
                    q.addBindValue(blue);
                    QVERIFY(q.exec());
                }
        db.close();
    }
    QSqlDatabase::removeDatabase("make-mbtiles");
    QVERIFY(mView->setTileSource(mbtiles));
    QCOMPARE(evaluate("tileLayer.options.maxZoom").toInt(), 3);
    mView->runMapScript("map.setView([10, 10], 3)");
    QTRY_VERIFY_WITH_TIMEOUT(evaluate(loaded).toInt() >= 4, pageTimeout);

    // A path without tiles falls back to OpenStreetMap.
    QVERIFY(!mView->setTileSource(dir.filePath("nothing-here")));
    QTRY_COMPARE_WITH_TIMEOUT(evaluate("tileSourceKind").toInt(), 0, pageTimeout);
    QVERIFY(mView->setTileSource(QString()));
}

void TestMapDrive::tilesSeenAreKeptOnDisk()
{
    // The view's own page: the map profile with its disk cache.
    WebMapWidget view;
    QWebEngineProfile *profile = view.page()->profile();
    QCOMPARE(profile, WebMapWidget::mapProfile());
    const QString cacheBase =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/map");
    QVERIFY(!profile->isOffTheRecord());
    QVERIFY2(profile->cachePath().startsWith(cacheBase), qPrintable(profile->cachePath()));
    QCOMPARE(profile->httpCacheType(), QWebEngineProfile::DiskHttpCache);
    QCOMPARE(qint64(profile->httpCacheMaximumSize()), WebMapWidget::tileCacheBytes);

    TileServer server;
    RedirectInterceptor redirect;
    redirect.port = server.serverPort();
    profile->setUrlRequestInterceptor(&redirect);
    view.resize(600, 400);
    view.show();
    QSignalSpy ready(&view, &WebMapWidget::mapReady);
    view.load(mapUrl);
    QVERIFY(ready.wait(pageTimeout));
    // Every tile of the view has come (Leaflet counts a tile done when its picture is in).
    const QString tilesDone = "(function(){var n=document.querySelectorAll("
                              "'img.leaflet-tile-loaded').length;"
                              "return tileLayer && !tileLayer.isLoading() ? n : 0;})()";
    const auto viewTilesDone = [&] {
        return evaluateInPage(view.page(), tilesDone, pageTimeout).toInt();
    };
    QTRY_VERIFY_WITH_TIMEOUT(viewTilesDone() >= 4, pageTimeout);
    const int firstRequests = server.requests;
    QVERIFY(firstRequests >= 4);
    // What was fetched is in the cache folder.
    QTRY_VERIFY_WITH_TIMEOUT(folderBytes(profile->cachePath()) > 4 * 1000, pageTimeout);

    // The same view again comes from the disk cache, not from the server.
    view.load(mapUrl);
    QVERIFY(ready.wait(pageTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(viewTilesDone() >= 4, pageTimeout);
    QCOMPARE(server.requests, firstRequests);
    profile->setUrlRequestInterceptor(nullptr);
}

int main(int argc, char *argv[])
{
    TileSource::registerUrlScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestMapDrive test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_mapdrive.moc"
