#pragma once

#include "filebean.h"
#include "filelistitem.h"
#include "settingsstore.h"
#include "thumbnailcache.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
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
    FileBean currentFile() const { return current; }
    void setCurrentFile(const FileBean &bean) { current = bean; }
    bool isImportOpen() const { return importOpen; }
    FileOper *worker() const { return fileOper.get(); }

    // Object names of the two message boxes, for finding them on screen.
    static constexpr const char *importingTipName = "importingTipBox";
    static constexpr const char *deleteAllBoxName = "deleteAllBox";

public slots:
    void addVideoOnClick();
    void dropFile(QList<QUrl> urls);
    // Imports the given paths (dropped files, files named on the command line); gated.
    void addPaths(const QStringList &paths);
    void removeVideoOnClick();
    void sortVideoOnClick();
    void removeItem(QString path);
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

private:
    void startImport(const QStringList &paths);
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
    FileBean current;
    bool importOpen = true;
    std::unique_ptr<FileOper> fileOper;
    FileListItem listStore;
    SettingsStore settings;
    ThumbnailCache thumbnails;
};
