#pragma once

#include "drive.h"

#include <QAtomicInt>
#include <QObject>
#include <QStringList>
#include <QThread>

class DriveLoadWorker;

// Finds the drive of a recording and loads the telemetry of its recordings on a worker thread,
// one recording after the other, and reports each through a queued signal, so the window never
// waits for a file.
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
    // Groups libraryPaths into drives (libraryEntryOf, groupDrives), reports the drive holding
    // path with driveFound, then loads its recordings' own channels as load() does, but path's
    // recording first, then those after it in order, then those before it backwards. A path
    // that is not among libraryPaths (or not readable) makes a drive of that one file.
    int loadDriveOf(const QStringList &libraryPaths, const QString &path);
    // Stops the current load after the file being read; nothing more of it is reported.
    void cancel();
    // The id whose signals are delivered: the last load started, or none after cancel().
    int currentLoad() const { return m_current.loadAcquire(); }

signals:
    // The recordings of the drive asked for by loadDriveOf, in recording order.
    void driveFound(int loadId, const QList<DriveRecording> &recordings);
    // samples as loadTelemetry read them (hand them to Drive::setClipSamples, which times
    // untimed samples). index is the position of path in
    // the list given to load(), or in the drive found.
    void clipLoaded(int loadId, int index, const QString &path, const AssistInfoList &samples);
    // Every file of the load was reported.
    void loadFinished(int loadId);

    // Internal: hands a load to the worker.
    void startOnWorker(int loadId, const QStringList &paths);
    void findOnWorker(int loadId, const QStringList &libraryPaths, const QString &path);

private:
    void onWorkerClip(int loadId, int index, const QString &path, const AssistInfoList &samples);
    void onWorkerFinished(int loadId);
    void onWorkerDrive(int loadId, const QList<DriveRecording> &recordings);

    QThread m_thread;
    DriveLoadWorker *m_worker = nullptr;
    QAtomicInt m_current{0}; // read by the worker to notice a cancel
};
