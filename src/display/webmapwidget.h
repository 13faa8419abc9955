#pragma once

#include <QQueue>
#include <QString>
#include <QStringList>
#include <QWebEngineView>

class QWebEngineProfile;
class TileSource;

// The map view: a web view showing the map page (":/html/map/OpenStreetMap.html").
//
// The host drives the page only through runMapScript(). A page can take from a fraction of a
// second up to tens of seconds to become ready on a loaded machine, and a script sent earlier
// would be lost, so scripts wait in a queue until the page reports that it is ready and then run
// in the order they were given. A new load (or a reload after the page's renderer died) makes
// the page not ready again.
//
// What the map shows (the route, the current recording, event marks, the car, following and the
// tile source) is also kept here: when the page's renderer dies, the page is loaded again and
// all of it is sent to the new page before anything given later.
class WebMapWidget : public QWebEngineView
{
    Q_OBJECT

public:
    // The title the map page sets once its functions exist and the map has been created.
    static const QString readyTitle;
    // Scripts waiting beyond this many are dropped, oldest first, so a page that never loads
    // cannot make the queue grow without end (one marker script arrives every second).
    static constexpr int maxPendingScripts = 4096;

    // The view starts with a page of mapProfile().
    explicit WebMapWidget(QWidget *parent = nullptr);
    ~WebMapWidget() override;

    // The map's own web profile, made once: tiles seen are kept in a disk cache of at most
    // tileCacheBytes under QStandardPaths::CacheLocation + "/map"; no cookies are kept.
    static QWebEngineProfile *mapProfile();
    static constexpr qint64 tileCacheBytes = 200 * 1024 * 1024;

    // Runs a complete statement in the page now when it is ready, otherwise once it is.
    void runMapScript(const QString &script);

    // Loading replaces the page: scripts given from here on wait for the new page. These hide
    // QWebEngineView's own (which are not virtual), since loadStarted only arrives later and a
    // script sent in between would run in the old page and be lost.
    void load(const QUrl &url);
    void setUrl(const QUrl &url);
    void reload();

    // Gives the current page a web channel holding only a MapBridge under the name "qtui", and
    // its profile the local tile handler. Call after setPage() and before load(); returns the
    // bridge (owned by the channel, which this view owns).
    QObject *installBridge();

    // A drive's route (MapScript::driveRouteScripts), replacing the one before.
    void setDriveRoute(const QStringList &scripts);
    // The recording now playing, emphasised on the route.
    void setRouteClip(int clip);
    // Fits the map to an area (MapScript::fitAreaScript); kept for a reloaded page.
    void fitArea(const QString &script);
    // Event marks (MapScript::eventMarksScript), replacing those before.
    void setEventMarks(const QString &script);
    // Whether the map pans to keep the car in view; the button on the map turns it back on.
    void setFollowCar(bool follow);
    // The follow button's tooltip (our translated text).
    void setFollowTooltip(const QString &text);

    // Map tiles from a folder of z/x/y tiles or an MBTiles file; empty for OpenStreetMap.
    // Returns false (and shows OpenStreetMap) when the path holds no readable tiles.
    // TileSource::registerUrlScheme() must have run before the QApplication was made.
    bool setTileSource(const QString &pathOrEmpty);

    bool isMapReady() const { return mReady; }
    int pendingScriptCount() const { return int(mPending.size()); }

protected:
    // The note about missing tiles follows the language of the interface.
    void changeEvent(QEvent *event) override;

signals:
    // The page has become ready; queued scripts have been sent to it.
    void mapReady();
    // The user clicked the route or an event mark: the drive time there (ms, checked).
    void routeClicked(qint64 driveMs);

private:
    void pageLoadStarted();
    void pageTitleChanged(const QString &title);
    void pageLoadFinished(bool ok);
    void becomeReady();

    void expectNewPage();
    void rendererEnded();
    void sendTileNote();
    void installTileHandler();
    void remember(const QString &script);
    QStringList stateScripts() const;

    QQueue<QString> mPending;
    bool mReady = false;
    // Between a load request and its loadStarted the old page may still report itself ready.
    bool mAwaitingStart = false;
    // A load has started and not finished yet; asked for a new page meanwhile, its finish still
    // comes and belongs to the old page.
    bool mLoading = false;
    bool mOldFinishDue = false;
    // The engine drops a reload asked for while a load is still in progress: it waits for that
    // load's finish.
    bool mReloadDue = false;

    // What the page shows, for a page that has to be loaded again.
    QStringList mLegacyRoutes; // drawPolyLinePath calls since the last ClearPath
    QStringList mDriveRoute;
    int mRouteClip = -1;
    QString mFocus; // the area the map was last fitted to within a drive
    QString mEventMarks;
    QString mMarker;
    bool mFollow = true;
    QString mFollowTooltip;
    QString mTileScript;
    TileSource *mTiles = nullptr;
};
