#pragma once

#include <QQueue>
#include <QString>
#include <QWebEngineView>

// The map view: a web view showing the map page (":/html/map/OpenStreetMap.html").
//
// The host drives the page only through runMapScript(). A page can take from a fraction of a
// second up to tens of seconds to become ready on a loaded machine, and a script sent earlier
// would be lost, so scripts wait in a queue until the page reports that it is ready and then run
// in the order they were given. A new load (or a reload after the page's renderer died) makes
// the page not ready again.
class WebMapWidget : public QWebEngineView
{
    Q_OBJECT

public:
    // The title the map page sets once its functions exist and the map has been created.
    static const QString readyTitle;
    // Scripts waiting beyond this many are dropped, oldest first, so a page that never loads
    // cannot make the queue grow without end (one marker script arrives every second).
    static constexpr int maxPendingScripts = 4096;

    explicit WebMapWidget(QWidget *parent = nullptr);

    // Runs a complete statement in the page now when it is ready, otherwise once it is.
    void runMapScript(const QString &script);

    // Loading replaces the page: scripts given from here on wait for the new page. These hide
    // QWebEngineView's own (which are not virtual), since loadStarted only arrives later and a
    // script sent in between would run in the old page and be lost.
    void load(const QUrl &url);
    void setUrl(const QUrl &url);
    void reload();

    // Gives the current page a web channel holding only a MapBridge under the name "qtui".
    // Call after setPage(); returns the bridge (owned by the channel, which this view owns).
    QObject *installBridge();

    bool isMapReady() const { return mReady; }
    int pendingScriptCount() const { return int(mPending.size()); }

signals:
    // The page has become ready; queued scripts have been sent to it.
    void mapReady();

private:
    void pageLoadStarted();
    void pageTitleChanged(const QString &title);
    void pageLoadFinished(bool ok);
    void becomeReady();

    void expectNewPage();

    QQueue<QString> mPending;
    bool mReady = false;
    // Between a load request and its loadStarted the old page may still report itself ready.
    bool mAwaitingStart = false;
};
