#include "webmapwidget.h"

#include "mapbridge.h"

#include <QDebug>
#include <QWebChannel>
#include <QWebEnginePage>

const QString WebMapWidget::readyTitle = QStringLiteral("zevidud-map-ready");

WebMapWidget::WebMapWidget(QWidget *parent)
    : QWebEngineView(parent)
{
    // Chromium's menu offers Back, Reload and View Source, none of which belongs on the map.
    setContextMenuPolicy(Qt::NoContextMenu);

    connect(this, &QWebEngineView::loadStarted, this, &WebMapWidget::pageLoadStarted);
    connect(this, &QWebEngineView::titleChanged, this, &WebMapWidget::pageTitleChanged);
    connect(this, &QWebEngineView::loadFinished, this, &WebMapWidget::pageLoadFinished);
    connect(this, &QWebEngineView::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                qDebug() << "map page renderer ended:" << status << exitCode;
                // The page's state is gone with its renderer: load it again and queue until then.
                reload();
            });
}

QObject *WebMapWidget::installBridge()
{
    auto *channel = new QWebChannel(this);
    auto *bridge = new MapBridge(channel);
    bridge->setObjectName(QStringLiteral("mapBridge"));
    channel->registerObject(QStringLiteral("qtui"), bridge);
    page()->setWebChannel(channel);
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
    QWebEngineView::reload();
}

void WebMapWidget::expectNewPage()
{
    mReady = false;
    mAwaitingStart = true;
}

void WebMapWidget::runMapScript(const QString &script)
{
    if (script.isEmpty())
        return;
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
}

void WebMapWidget::pageTitleChanged(const QString &title)
{
    if (!mReady && !mAwaitingStart && title == readyTitle)
        becomeReady();
}

void WebMapWidget::pageLoadFinished(bool ok)
{
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
    while (!mPending.isEmpty())
        page()->runJavaScript(mPending.dequeue());
    emit mapReady();
}
