#pragma once
// Shared by the tests of the real map page: a profile with no way out to the network, and a page
// that collects the errors its scripts raise.
#include <QMutex>
#include <QStringList>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

// Blocks every request that would leave the machine, and remembers what was asked for. With
// hang set, requests are sent instead to an address no packet comes back from, so they stay
// open the way they do on a machine whose network is gone.
class OfflineInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    bool hang = false;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        const QUrl url = info.requestUrl();
        const QString scheme = url.scheme();
        if (scheme == QLatin1String("qrc") || scheme == QLatin1String("data")
            || scheme == QLatin1String("zevidud-tiles") || url.host() == unroutable)
            return;
        {
            QMutexLocker lock(&mutex);
            blocked.append(url.toString());
        }
        if (hang) {
            QUrl away = url;
            away.setScheme(QStringLiteral("http"));
            away.setHost(unroutable);
            info.redirect(away);
        } else {
            info.block(true);
        }
    }
    QStringList blockedUrls()
    {
        QMutexLocker lock(&mutex);
        return blocked;
    }

private:
    // TEST-NET-1 (RFC 5737): never routed.
    const QString unroutable = QStringLiteral("192.0.2.1");
    QMutex mutex;
    QStringList blocked;
};

// Collects what the page writes to its console: uncaught exceptions arrive here as errors.
class ConsolePage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int line, const QString &source) override
    {
        if (level == ErrorMessageLevel)
            errors.append(QStringLiteral("%1:%2: %3").arg(source).arg(line).arg(message));
    }
};
