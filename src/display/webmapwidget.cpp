#include "webmapwidget.h"

#include "mapbridge.h"
#include "mapscript.h"
#include "tilesource.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEvent>
#include <QStandardPaths>
#include <QTimer>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlScheme>

#include <utility>

const QString WebMapWidget::readyTitle = QStringLiteral("zevidud-map-ready");

namespace {

// Held back beyond this many, oldest first: a window that draws a new legacy route for every
// clip of a long drive would otherwise replay them all.
constexpr int maxLegacyRoutes = 512;

} // namespace

QWebEngineProfile *WebMapWidget::mapProfile()
{
    static QWebEngineProfile *profile = nullptr;
    if (!profile) {
        const QString base =
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/map");
        QDir().mkpath(base);
        profile = new QWebEngineProfile(QStringLiteral("zevidud-map"), QCoreApplication::instance());
        profile->setCachePath(base);
        profile->setPersistentStoragePath(base + QStringLiteral("/storage"));
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        profile->setHttpCacheMaximumSize(int(tileCacheBytes));
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    }
    return profile;
}

WebMapWidget::WebMapWidget(QWidget *parent)
    : QWebEngineView(parent)
{
    mTiles = new TileSource(this);
    setPage(new QWebEnginePage(mapProfile(), this));
    installTileHandler();
    // Chromium's menu offers Back, Reload and View Source, none of which belongs on the map.
    setContextMenuPolicy(Qt::NoContextMenu);

    connect(this, &QWebEngineView::loadStarted, this, &WebMapWidget::pageLoadStarted);
    connect(this, &QWebEngineView::titleChanged, this, &WebMapWidget::pageTitleChanged);
    connect(this, &QWebEngineView::loadFinished, this, &WebMapWidget::pageLoadFinished);
    connect(this, &QWebEngineView::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                qDebug() << "map page renderer ended:" << status << exitCode;
                rendererEnded();
            });
}

// A profile drops a scheme handler of its own accord when the handler is destroyed.
WebMapWidget::~WebMapWidget() = default;

void WebMapWidget::rendererEnded()
{
    // The page's state is gone with its renderer: load it again, and before anything given from
    // now on, tell the new page everything the old one showed. A reload of the dead page starts
    // but never finishes (QtWebEngine 5.15), so the page is loaded anew once the view has
    // finished with the renderer's end.
    const QUrl address = url();
    expectNewPage();
    QTimer::singleShot(0, this, [this, address] { QWebEngineView::load(address); });
    mPending.clear();
    for (const QString &script : stateScripts())
        mPending.enqueue(script);
}

void WebMapWidget::sendTileNote()
{
    // Without network (or with a tile source that lacks the area) the map stays grey; the page
    // shows this while its tiles fail and takes it away when one loads. Every page that becomes
    // ready gets it first, in the language of the moment; it is not one of the queued scripts.
    page()->runJavaScript(MapScript::tileNoteScript(
        tr("Map tiles cannot be loaded. A local tile source can be chosen in the settings.")));
}

void WebMapWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && mReady)
        sendTileNote();
    QWebEngineView::changeEvent(event);
}

QStringList WebMapWidget::stateScripts() const
{
    QStringList scripts;
    if (!mTileScript.isEmpty())
        scripts << mTileScript;
    if (!mFollowTooltip.isEmpty())
        scripts << MapScript::followTitleScript(mFollowTooltip);
    scripts << MapScript::followCarScript(mFollow);
    scripts << mLegacyRoutes << mDriveRoute;
    if (mRouteClip >= 0)
        scripts << MapScript::routeClipScript(mRouteClip);
    if (!mFocus.isEmpty())
        scripts << mFocus;
    if (!mEventMarks.isEmpty())
        scripts << mEventMarks;
    if (!mMarker.isEmpty())
        scripts << mMarker;
    return scripts;
}

void WebMapWidget::remember(const QString &script)
{
    // The window's own calls (ClearPath, drawPolyLinePath, updateMarkerPosition1) change what
    // the map shows as much as ours do.
    if (script == QLatin1String("ClearPath()")) {
        mLegacyRoutes.clear();
        mDriveRoute.clear();
        mRouteClip = -1;
        mFocus.clear();
        mEventMarks.clear();
        mMarker.clear();
    } else if (script.startsWith(QLatin1String("drawPolyLinePath("))) {
        if (mLegacyRoutes.size() >= maxLegacyRoutes)
            mLegacyRoutes.removeFirst();
        mLegacyRoutes.append(script);
    } else if (script.startsWith(QLatin1String("updateMarkerPosition1("))) {
        mMarker = script;
    }
}

void WebMapWidget::setDriveRoute(const QStringList &scripts)
{
    mDriveRoute = scripts;
    if (scripts.isEmpty())
        runMapScript(QStringLiteral("driveRouteClear()"));
    for (const QString &script : scripts)
        runMapScript(script);
    // A new route draws no part emphasised until told which recording plays.
    if (mRouteClip >= 0)
        runMapScript(MapScript::routeClipScript(mRouteClip));
}

void WebMapWidget::setRouteClip(int clip)
{
    mRouteClip = clip;
    runMapScript(MapScript::routeClipScript(clip));
}

void WebMapWidget::fitArea(const QString &script)
{
    if (script.isEmpty())
        return;
    mFocus = script;
    runMapScript(script);
}

void WebMapWidget::setEventMarks(const QString &script)
{
    mEventMarks = script;
    runMapScript(script);
}

void WebMapWidget::setFollowCar(bool follow)
{
    mFollow = follow;
    runMapScript(MapScript::followCarScript(follow));
}

void WebMapWidget::setFollowTooltip(const QString &text)
{
    mFollowTooltip = text;
    runMapScript(MapScript::followTitleScript(text));
}

void WebMapWidget::installTileHandler()
{
    // A page's frames take the scheme handlers their profile has when they load: installed
    // later, the handler never sees a request from them.
    QWebEngineProfile *profile = page()->profile();
    if (profile->urlSchemeHandler(TileSource::scheme) == mTiles)
        return;
    if (QWebEngineUrlScheme::schemeByName(TileSource::scheme).name() != TileSource::scheme) {
        qWarning() << "map tiles: TileSource::registerUrlScheme() was not called before the "
                      "application was created; local tiles are not available";
        return;
    }
    profile->removeUrlScheme(TileSource::scheme);
    profile->installUrlSchemeHandler(TileSource::scheme, mTiles);
}

bool WebMapWidget::setTileSource(const QString &pathOrEmpty)
{
    const bool local = !pathOrEmpty.isEmpty() && mTiles->open(pathOrEmpty);
    if (!local)
        mTiles->close();
    mTileScript = MapScript::tileSourceScript(local, mTiles->maxZoom());
    runMapScript(mTileScript);
    return local || pathOrEmpty.isEmpty();
}

QObject *WebMapWidget::installBridge()
{
    auto *channel = new QWebChannel(this);
    auto *bridge = new MapBridge(channel);
    bridge->setObjectName(QStringLiteral("mapBridge"));
    channel->registerObject(QStringLiteral("qtui"), bridge);
    connect(bridge, &MapBridge::routeClicked, this, &WebMapWidget::routeClicked);
    page()->setWebChannel(channel);
    installTileHandler();
    return bridge;
}

void WebMapWidget::load(const QUrl &url)
{
    expectNewPage();
    QWebEngineView::load(url);
}

void WebMapWidget::setUrl(const QUrl &url)
{
    expectNewPage();
    QWebEngineView::setUrl(url);
}

void WebMapWidget::reload()
{
    expectNewPage();
    if (mLoading) {
        mReloadDue = true;
        return;
    }
    QWebEngineView::reload();
}

void WebMapWidget::expectNewPage()
{
    mReady = false;
    mAwaitingStart = true;
    mOldFinishDue = mLoading;
    mReloadDue = false;
}

void WebMapWidget::runMapScript(const QString &script)
{
    if (script.isEmpty())
        return;
    remember(script);
    if (mReady) {
        page()->runJavaScript(script);
        return;
    }
    if (mPending.size() >= maxPendingScripts)
        mPending.dequeue();
    mPending.enqueue(script);
}

void WebMapWidget::pageLoadStarted()
{
    mReady = false;
    mAwaitingStart = false;
    mLoading = true;
}

void WebMapWidget::pageTitleChanged(const QString &title)
{
    if (!mReady && !mAwaitingStart && title == readyTitle)
        becomeReady();
}

void WebMapWidget::pageLoadFinished(bool ok)
{
    mLoading = false;
    if (std::exchange(mReloadDue, false)) {
        mOldFinishDue = false;
        QWebEngineView::reload();
        return;
    }
    if (std::exchange(mOldFinishDue, false)) {
        // The old page, whose title is still the ready one: scripts sent to it now are lost.
        return;
    }
    // The title normally comes first; the load event is the fallback for a page that set it
    // before the view connected, and it is only trusted when the page says it is ours.
    // A load that ended without a loadStarted of its own (a navigation within the page) must not
    // leave the view waiting for one.
    mAwaitingStart = false;
    if (ok && !mReady && title() == readyTitle)
        becomeReady();
}

void WebMapWidget::becomeReady()
{
    mReady = true;
    sendTileNote();
    while (!mPending.isEmpty())
        page()->runJavaScript(mPending.dequeue());
    emit mapReady();
}
