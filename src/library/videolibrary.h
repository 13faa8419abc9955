#pragma once

#include "filebean.h"
#include "filelistitem.h"
#include "settingsstore.h"
#include "thumbnailcache.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>

class FileInfoWidget;
class FileOper;
class QListWidgetItem;
class ProjectListWidget;
class QToolButton;
class QWidget;

// Name order of the library: an exchange sort by file name compared by UTF-16 code units
// (upper case before lower case). order 0 ascending, anything else descending.
void sortBeansByName(QList<FileBean> &beans, int order);

// Whether a saved entry's file is there, gone from a folder that is there (the user removed it),
// or unreachable because its folder is absent (a card or a drive that is not mounted).
enum class EntryPresence { Present, FileGone, FolderAbsent };
EntryPresence entryPresence(const QString &path);

// The paths that are not yet among listed, each once, in their order, without telemetry
// sidecars (.gps, .3gf, .nmea, ...). Paths are compared as clean absolute paths ("/v/./a.mp4"
// is "/v/a.mp4").
QStringList pathsNotListed(const QStringList &paths, const QList<FileBean> &listed);

// The time a list row shows: the recording time in the file's name when it has one (the
// camera's clock when it began the recording), else the file's own time as the bean holds it.
QString rowDateText(const FileBean &bean);

// The row step rows away from current in a list of count rows, or -1 when there is none (no row
// opened yet, or past either end: previous and next do not wrap).
int neighbourRow(int current, int count, int step);

// The library list of the main window: the FileBean list shown row for row in the
// ProjectListWidget, the import through the FileOper worker, the saved list and the import gate.
//
// Wiring done here (the window must not repeat it): the worker's signals, the list's
// dropFileEvent (queued, so a busy message never opens inside a drop) and each row's removeItem.
// The window forwards its add, delete-all and sort buttons to addVideoOnClick,
// removeVideoOnClick and sortVideoOnClick. A null parent makes dialogParent the owner.
class VideoLibrary : public QObject
{
    Q_OBJECT
public:
    VideoLibrary(ProjectListWidget *listWidget, QToolButton *sortButton, QWidget *dialogParent,
                 QObject *parent = nullptr);
    ~VideoLibrary() override;

    const QList<FileBean> &beans() const { return fileList; }
    // Saved entries whose folder is absent: kept in the saved list, not shown, back on the next
    // restore once their folder is.
    const QList<FileBean> &hiddenEntries() const { return absentEntries; }
    FileBean currentFile() const { return current; }
    void setCurrentFile(const FileBean &bean) { current = bean; }
    bool isImportOpen() const { return importOpen; }
    // Row of the entry of path (compared as a clean absolute path), -1 when it is not listed.
    int rowOfPath(const QString &path) const;
    FileOper *worker() const { return fileOper.get(); }

    // Object names of the two message boxes, for finding them on screen.
    static constexpr const char *importingTipName = "importingTipBox";
    static constexpr const char *deleteAllBoxName = "deleteAllBox";
    static constexpr const char *deleteOneBoxName = "deleteOneBox";
    static constexpr const char *folderRefusedBoxName = "folderRefusedBox";

public slots:
    void addVideoOnClick();
    void dropFile(QList<QUrl> urls);
    // Imports the given paths (dropped files, files named on the command line); gated. Folders
    // are refused with a message: only files are recordings.
    void addPaths(const QStringList &paths);
    void removeVideoOnClick();
    void sortVideoOnClick();
    void removeItem(QString path);
    // Asks whether to remove the entry of path from the list, and removes it on yes.
    void confirmAndRemove(const QString &path);
    void restoreVideoList();
    void refreshVideoList();
    void sortVideoList(int order);
    void showImportingTip();

    void onUiThread(QString path, QString date, QString name);
    void finishedOper();
    void finishedSingleThumbnail(int index);
    void finishedSingleAddOneFile(FileBean bean);
    void thumbnailFinished(int value);

signals:
    // After an import ended and the list was saved.
    void importFinished();
    // The list could not be saved (read-only or full disk); it stays in memory and the next
    // change tries again. Sent once until a save succeeds.
    void saveFailed(const QString &reason);

private:
    void startImport(const QStringList &requested);
    // The paths that are not folders; the folders among them are named in a message.
    QStringList withoutFolders(const QStringList &paths);
    void saveList();
    void makeMissingThumbnails();
    void addRow(const FileBean &bean);
    void addRow(const FileBean &bean, const QString &thumbnailFolder);
    FileInfoWidget *newRowWidget();
    void fillRow(QListWidgetItem *item, FileInfoWidget *row, const FileBean &bean,
                 const QString &thumbnailFolder);
    void rebuildRows();
    void updateSortIcon(int order);

    QPointer<ProjectListWidget> listWidget;
    QPointer<QToolButton> sortButton;
    QPointer<QWidget> dialogParent;
    QList<FileBean> fileList;
    QList<FileBean> absentEntries;
    QElapsedTimer sinceSave;
    // A row that came too soon after the last save is saved when the interval is over, not only
    // with the next row: that one may be a long thumbnail away.
    QTimer deferredSave;
    bool lastSaveFailed = false;
    FileBean current;
    bool importOpen = true;
    std::unique_ptr<FileOper> fileOper;
    std::unique_ptr<FileOper> thumbnailWorker;
    FileListItem listStore;
    SettingsStore settings;
    ThumbnailCache thumbnails;
};
