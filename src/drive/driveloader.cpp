#include "driveloader.h"

#include "telemetryloader.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QQueue>

// The part that runs on the worker thread. It owns the cache, which no other thread touches.
class DriveLoadWorker : public QObject
{
    Q_OBJECT
public:
    explicit DriveLoadWorker(const QAtomicInt *current) : m_current(current) {}

    void run(int loadId, const QStringList &paths);

signals:
    void clipLoaded(int loadId, int index, const QString &path, const AssistInfoList &samples,
                    bool fromMp4Track);
    void finished(int loadId);

private:
    struct Cached
    {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        AssistInfoList samples;
        bool fromMp4Track = false;
    };
    // About the recordings of a long day's drives of three cameras; a recording's samples are
    // a few tens of kilobytes.
    static constexpr int kCacheCapacity = 3000;

    const Cached &telemetryOf(const QString &path);

    const QAtomicInt *m_current;
    QHash<QString, Cached> m_cache;
    QQueue<QString> m_cacheOrder; // oldest first, for eviction
};

void DriveLoadWorker::run(int loadId, const QStringList &paths)
{
    for (int i = 0; i < paths.size(); ++i) {
        if (m_current->loadAcquire() != loadId)
            return; // cancelled, or a newer load is queued behind this one
        const Cached &loaded = telemetryOf(paths.at(i));
        emit clipLoaded(loadId, i, paths.at(i), loaded.samples, loaded.fromMp4Track);
    }
    emit finished(loadId);
}

const DriveLoadWorker::Cached &DriveLoadWorker::telemetryOf(const QString &path)
{
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const qint64 modifiedMs = info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
    const auto hit = m_cache.constFind(path);
    if (hit != m_cache.constEnd() && hit->size == size && hit->modifiedMs == modifiedMs)
        return *hit;

    Cached entry;
    entry.size = size;
    entry.modifiedMs = modifiedMs;
    const TelemetryLoad load = loadTelemetry(path, nullptr);
    entry.samples = load.samples;
    entry.fromMp4Track = load.fromMp4Track;
    if (!m_cache.contains(path)) {
        // Evicted before the insert, so the entry returned stays in the cache.
        while (m_cache.size() >= kCacheCapacity && !m_cacheOrder.isEmpty())
            m_cache.remove(m_cacheOrder.dequeue());
        m_cacheOrder.enqueue(path);
    }
    return *m_cache.insert(path, entry);
}

DriveLoader::DriveLoader(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<AssistInfoList>("AssistInfoList");
    m_worker = new DriveLoadWorker(&m_current);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(this, &DriveLoader::startOnWorker, m_worker, &DriveLoadWorker::run,
            Qt::QueuedConnection);
    connect(m_worker, &DriveLoadWorker::clipLoaded, this, &DriveLoader::onWorkerClip,
            Qt::QueuedConnection);
    connect(m_worker, &DriveLoadWorker::finished, this, &DriveLoader::onWorkerFinished,
            Qt::QueuedConnection);
    m_thread.setObjectName(QStringLiteral("DriveLoader"));
    m_thread.start(QThread::LowPriority);
}

DriveLoader::~DriveLoader()
{
    cancel();
    m_thread.quit();
    m_thread.wait();
}

int DriveLoader::load(const QStringList &paths)
{
    const int id = m_current.fetchAndAddOrdered(1) + 1;
    emit startOnWorker(id, paths);
    return id;
}

void DriveLoader::cancel()
{
    m_current.fetchAndAddOrdered(1);
}

void DriveLoader::onWorkerClip(int loadId, int index, const QString &path,
                               const AssistInfoList &samples, bool fromMp4Track)
{
    // A clip read before a cancel may still be in the queue: the id tells.
    if (loadId == currentLoad())
        emit clipLoaded(loadId, index, path, samples, fromMp4Track);
}

void DriveLoader::onWorkerFinished(int loadId)
{
    if (loadId == currentLoad())
        emit loadFinished(loadId);
}

#include "driveloader.moc"
