#pragma once

#include "drive.h"

#include <QAtomicInt>
#include <QObject>
#include <QStringList>
#include <QThread>

class DriveLoadWorker;

// Loads the telemetry of the recordings of a drive on a worker thread, one recording after the
// other, and reports each through a queued signal, so the window never waits for a file.
// Results are kept per file (path, size and modification time): opening the drive again, or a
// neighbouring drive that shares recordings, reads only what changed.
//
// Lives on the thread that creates it (the GUI thread); its signals arrive there.
class DriveLoader : public QObject
{
    Q_OBJECT
public:
    explicit DriveLoader(QObject *parent = nullptr);
    ~DriveLoader() override; // cancels and waits for the worker's current file

    // Starts loading paths in order (cancelling a load still running) and returns its id, which
    // every signal of this load carries.
    int load(const QStringList &paths);
    // Stops the current load after the file being read; nothing more of it is reported.
    void cancel();
    // The id whose signals are delivered: the last load started, or none after cancel().
    int currentLoad() const { return m_current.loadAcquire(); }

signals:
    // samples and fromMp4Track as loadTelemetry read them (hand both to
    // Drive::setClipSamples, which times untimed samples). index is the position of path in
    // the list given to load().
    void clipLoaded(int loadId, int index, const QString &path, const AssistInfoList &samples,
                    bool fromMp4Track);
    // Every file of the load was reported.
    void loadFinished(int loadId);

    // Internal: hands a load to the worker.
    void startOnWorker(int loadId, const QStringList &paths);

private:
    void onWorkerClip(int loadId, int index, const QString &path, const AssistInfoList &samples,
                      bool fromMp4Track);
    void onWorkerFinished(int loadId);

    QThread m_thread;
    DriveLoadWorker *m_worker = nullptr;
    QAtomicInt m_current{0}; // read by the worker to notice a cancel
};
