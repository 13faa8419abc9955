#pragma once

#include "filebean.h"
#include "settingsstore.h"

#include <QSemaphore>
#include <QStringList>
#include <QThread>

// Imports files off the GUI thread: one FileBean per path, a thumbnail made by ffmpeg when none
// exists yet, and each finished file handed back to the GUI thread through runOnUiThread.
// The owner replaces the path list only while the thread is idle, then calls start().
class FileOper : public QThread
{
    Q_OBJECT
public:
    explicit FileOper(QObject *parent = nullptr);
    ~FileOper() override;

    void setFilePaths(const QStringList &paths) { filePaths = paths; }
    // Thumbnails only: makes the missing thumbnails of the paths and announces no rows (for
    // listed files whose picture is missing, such as those named by an older version).
    void setThumbnailsOnly(bool only) { onlyThumbnails = only; }
    QStringList paths() const { return filePaths; }

    // Thumbnail location of a recording: the folder, the file name up to its first ".", "_",
    // the first 10 hex digits of the SHA-1 of the clean absolute path, ".jpg".
    static QString thumbnailFileFor(const QString &thumbnailFolder, const QString &filePath);
    // Absolute path of the ffmpeg beside our own executable, else of the first one in PATH's
    // absolute folders; empty when there is none. Never one in the working folder.
    static QString thumbnailProgram();

    static FileBean makeFileBean(const QString &path);
    // Runs the thumbnail process; returns once it ended, failed to start, or was killed after
    // the time limit (or because the thread was asked to stop).
    void makeThumbnail(const QString &inputPath, const QString &outputPath);

    // How long one thumbnail may take before its process is killed. A picture of the first frame
    // takes well under a second; a file on a slow or failing card may hang ffmpeg for good.
    static constexpr int thumbnailTimeoutMs = 30000;
    // Set while the thread is idle; read by the worker thread.
    void setThumbnailTimeout(int ms) { thumbnailLimitMs = ms; }

    // Flow control for the rows: with a window of n, at most n announced files wait for the GUI
    // thread at any time, and the receiver calls rowShown() once it has handled each one.
    // Qt hands a thread all events queued before it started handling them in one go, so
    // without a window, files whose thumbnails already exist arrive in one burst and freeze
    // the window while hundreds of rows are built. 0 (the default) means no window.
    void setRowWindow(int rows) { rowWindow = rows; }
    // Thread-safe; called on the GUI thread.
    void rowShown() { rowCredits.release(); }

signals:
    void thumbnailLoadFinished(int index);
    void addOneFileFinished(FileBean fileBean);
    void fileOperFileFinished();
    void runOnUiThread(QString path, QString date, QString name);

public slots:
    void thumbnailFinished(int value);

protected:
    void run() override;

private:
    bool waitForRowCredit();

    QStringList filePaths;
    SettingsStore settings;
    int rowWindow = 0;
    int thumbnailLimitMs = thumbnailTimeoutMs;
    bool onlyThumbnails = false;
    QSemaphore rowCredits;
};
