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
    void findAndRun(int loadId, const QStringList &libraryPaths, const QString &path);

signals:
    void driveFound(int loadId, const QList<DriveRecording> &recordings);
    void clipLoaded(int loadId, int index, const QString &path, const AssistInfoList &samples);
    void finished(int loadId);

private:
    // Reads paths in the order of the indices in order, reporting each with its index in paths.
    void runInOrder(int loadId, const QStringList &paths, const QList<int> &order);

    struct Cached
    {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        AssistInfoList samples;
    };
    // About the recordings of a long day's drives of three cameras; a recording's samples are
    // a few tens of kilobytes.
    static constexpr int kCacheCapacity = 3000;

    const Cached &telemetryOf(const QString &path);
    // The entry of a file, read again only when its size or time changed since the last time.
    LibraryEntry entryOf(const QString &path);

    const QAtomicInt *m_current;
    QHash<QString, Cached> m_cache;
    QQueue<QString> m_cacheOrder; // oldest first, for eviction
    struct CachedEntry
    {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        LibraryEntry entry;
    };
    // A few hundred bytes each; a library of many thousand files stays small.
    QHash<QString, CachedEntry> m_entries;
};

LibraryEntry DriveLoadWorker::entryOf(const QString &path)
{
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const qint64 modifiedMs = info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
    const auto hit = m_entries.constFind(path);
    if (hit != m_entries.constEnd() && hit->size == size && hit->modifiedMs == modifiedMs)
        return hit->entry;
    CachedEntry cached{size, modifiedMs, libraryEntryOf(path)};
    m_entries.insert(path, cached);
    return cached.entry;
}

void DriveLoadWorker::findAndRun(int loadId, const QStringList &libraryPaths,
                                 const QString &path)
{
    QList<LibraryEntry> entries;
    entries.reserve(libraryPaths.size() + 1);
    int opened = -1;
    for (const QString &p : libraryPaths) {
        if (m_current->loadAcquire() != loadId)
            return;
        if (p == path)
            opened = entries.size();
        entries.append(entryOf(p));
    }
    if (opened < 0) {
        opened = entries.size();
        entries.append(entryOf(path));
    }
    const QList<QList<int>> drives = groupDrives(entries);
    const int drive = driveOfEntry(drives, opened);
    const Drive found = Drive::fromEntries(entries, drive >= 0 ? drives.at(drive)
                                                               : QList<int>{opened});
    emit driveFound(loadId, found.recordings());
    // Whether the drive goes on past the recording playing is wanted first: playback may go on
    // into the next one soon.
    const int at = qMax(0, found.indexOfPath(path));
    QList<int> order;
    for (int i = at; i < found.recordingCount(); ++i)
        order.append(i);
    for (int i = at - 1; i >= 0; --i)
        order.append(i);
    runInOrder(loadId, found.recordingPaths(), order);
}

void DriveLoadWorker::run(int loadId, const QStringList &paths)
{
    QList<int> order;
    for (int i = 0; i < paths.size(); ++i)
        order.append(i);
    runInOrder(loadId, paths, order);
}

void DriveLoadWorker::runInOrder(int loadId, const QStringList &paths, const QList<int> &order)
{
    for (int i : order) {
        if (m_current->loadAcquire() != loadId)
            return; // cancelled, or a newer load is queued behind this one
        const Cached &loaded = telemetryOf(paths.at(i));
        emit clipLoaded(loadId, i, paths.at(i), loaded.samples);
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
    qRegisterMetaType<QList<DriveRecording>>("QList<DriveRecording>");
    m_worker = new DriveLoadWorker(&m_current);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(this, &DriveLoader::startOnWorker, m_worker, &DriveLoadWorker::run,
            Qt::QueuedConnection);
    connect(m_worker, &DriveLoadWorker::clipLoaded, this, &DriveLoader::onWorkerClip,
            Qt::QueuedConnection);
    connect(m_worker, &DriveLoadWorker::finished, this, &DriveLoader::onWorkerFinished,
            Qt::QueuedConnection);
    connect(this, &DriveLoader::findOnWorker, m_worker, &DriveLoadWorker::findAndRun,
            Qt::QueuedConnection);
    connect(m_worker, &DriveLoadWorker::driveFound, this, &DriveLoader::onWorkerDrive,
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

int DriveLoader::loadDriveOf(const QStringList &libraryPaths, const QString &path)
{
    const int id = m_current.fetchAndAddOrdered(1) + 1;
    emit findOnWorker(id, libraryPaths, path);
    return id;
}

void DriveLoader::onWorkerDrive(int loadId, const QList<DriveRecording> &recordings)
{
    if (loadId == currentLoad())
        emit driveFound(loadId, recordings);
}

void DriveLoader::cancel()
{
    m_current.fetchAndAddOrdered(1);
}

void DriveLoader::onWorkerClip(int loadId, int index, const QString &path,
                               const AssistInfoList &samples)
{
    // A clip read before a cancel may still be in the queue: the id tells.
    if (loadId == currentLoad())
        emit clipLoaded(loadId, index, path, samples);
}

void DriveLoader::onWorkerFinished(int loadId)
{
    if (loadId == currentLoad())
        emit loadFinished(loadId);
}

#include "driveloader.moc"
