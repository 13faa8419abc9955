#include "videolibrary.h"

#include "realcams.h"
#include "recordingtime.h"

#include "fileinfowidget.h"
#include "fileoper.h"
#include "projectlistwidget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QIcon>
#include <QListWidgetItem>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

namespace {

// Texts are translated in this class's own context ("VideoLibrary").

// Row widgets keep the path they show; the list item carries it too, one role past the first
// user role.
constexpr int pathRole = Qt::UserRole + 1;

const QString sortKey = QStringLiteral("videoSort");

// Rows that may wait for the GUI thread at once; a row costs about a millisecond to build.
constexpr int rowWindow = 4;

// Saves during an import are at least this far apart: each one rewrites the whole list.
constexpr int importSaveIntervalMs = 1000;

} // namespace

void sortBeansByName(QList<FileBean> &beans, int order)
{
    for (int i = 0; i + 1 < beans.size(); ++i) {
        for (int j = i + 1; j < beans.size(); ++j) {
            const bool exchange = order == 0 ? beans.at(j).fileName < beans.at(i).fileName
                                             : beans.at(i).fileName < beans.at(j).fileName;
            if (exchange)
                beans.swapItemsAt(i, j);
        }
    }
}

VideoLibrary::VideoLibrary(ProjectListWidget *list, QToolButton *sortBtn, QWidget *parentWidget,
                           QObject *parent)
    // Without an explicit owner the window that hosts the dialogs owns the library, so the
    // worker is stopped when the window goes.
    : QObject(parent ? parent : parentWidget),
      listWidget(list),
      sortButton(sortBtn),
      dialogParent(parentWidget),
      fileOper(std::make_unique<FileOper>()),
      thumbnailWorker(std::make_unique<FileOper>())
{
    // Pictures missing for listed files (made by an older version under another name, or
    // deleted) are made again in the background; the rows show them once they are there.
    thumbnailWorker->setThumbnailsOnly(true);
    connect(thumbnailWorker.get(), &FileOper::fileOperFileFinished, this, [this] {
        if (listWidget)
            rebuildRows();
    });
    FileOper *oper = fileOper.get();
    connect(oper, &FileOper::thumbnailLoadFinished, this, &VideoLibrary::finishedSingleThumbnail);
    // Runs on the worker thread: its receiver touches nothing shared.
    connect(oper, &FileOper::addOneFileFinished, this, &VideoLibrary::finishedSingleAddOneFile,
            Qt::DirectConnection);
    connect(oper, &FileOper::fileOperFileFinished, this, &VideoLibrary::finishedOper);
    connect(oper, &FileOper::runOnUiThread, this, &VideoLibrary::onUiThread, Qt::QueuedConnection);
    connect(oper, &FileOper::runOnUiThread, this, [oper] { oper->rowShown(); },
            Qt::QueuedConnection);
    oper->setRowWindow(rowWindow);
    if (listWidget)
        connect(listWidget, &ProjectListWidget::dropFileEvent, this, &VideoLibrary::dropFile,
                Qt::QueuedConnection);
    updateSortIcon(settings.readInt(sortKey) != 0 ? 1 : 0);
    deferredSave.setSingleShot(true);
    connect(&deferredSave, &QTimer::timeout, this, &VideoLibrary::saveList);
}

VideoLibrary::~VideoLibrary()
{
    // Stop before the members go: the worker reads nothing of ours, but its queued rows must not
    // outlive the list they are meant for.
    fileOper->requestInterruption();
    thumbnailWorker->requestInterruption();
    fileOper->wait();
    thumbnailWorker->wait();
}

void VideoLibrary::updateSortIcon(int order)
{
    if (!sortButton)
        return;
    sortButton->setIcon(QIcon(order != 0 ? QStringLiteral(":/images/icon_video_positive.png")
                                         : QStringLiteral(":/images/icon_video_fall.png")));
}

void VideoLibrary::showImportingTip()
{
    QMessageBox box(dialogParent);
    box.setObjectName(QLatin1String(importingTipName));
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(tr("Remind"));
    box.setText(tr("Importing files, please wait..."));
    box.setStandardButtons(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(tr("YES"));
    if (box.exec() == QMessageBox::Yes)
        qDebug() << "clicked yes\n";
}

QString rowDateText(const FileBean &bean)
{
    const QDateTime named = recordingTimeFromName(bean.fileName);
    return named.isValid() ? named.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : bean.fileDate;
}

int neighbourRow(int current, int count, int step)
{
    if (current < 0 || current >= count)
        return -1;
    const qint64 target = qint64(current) + step;
    return target >= 0 && target < count ? int(target) : -1;
}

EntryPresence entryPresence(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return EntryPresence::Present;
    // A card or a drive that is not mounted takes its whole folder with it.
    return QFileInfo(info.absolutePath()).isDir() ? EntryPresence::FileGone
                                                  : EntryPresence::FolderAbsent;
}

QStringList pathsNotListed(const QStringList &paths, const QList<FileBean> &listed)
{
    QSet<QString> seen;
    for (const FileBean &bean : listed)
        seen.insert(QDir::cleanPath(QFileInfo(bean.filePath).absoluteFilePath()));
    QStringList fresh;
    for (const QString &path : paths) {
        const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        // A .gps or .3gf log beside a video is read with that video, never listed on its own.
        if (path.isEmpty() || seen.contains(key) || isSidecarFile(path))
            continue;
        seen.insert(key);
        fresh.append(path);
    }
    return fresh;
}

void VideoLibrary::startImport(const QStringList &requested)
{
    // A file already listed is selected, not listed again (opening the same file from a file
    // manager eight times gave eight rows).
    const QStringList paths = pathsNotListed(requested, fileList);
    if (listWidget && paths.size() < requested.size()) {
        for (const QString &path : requested) {
            const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
            const int row = rowOfPath(key);
            if (row >= 0) {
                listWidget->setCurrentRow(row);
                break;
            }
        }
    }
    importOpen = false;
    // The worker announces the end of an import just before run() returns; a new import that
    // follows at once must not hit a thread that is still winding down (start() would then do
    // nothing and the gate would never reopen).
    fileOper->wait();
    fileOper->setFilePaths(paths);
    fileOper->start();
}

int VideoLibrary::rowOfPath(const QString &path) const
{
    const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (int i = 0; i < fileList.size(); ++i) {
        if (QDir::cleanPath(QFileInfo(fileList.at(i).filePath).absoluteFilePath()) == key)
            return i;
    }
    return -1;
}

void VideoLibrary::addVideoOnClick()
{
    if (!importOpen) {
        showImportingTip();
        return;
    }
    importOpen = false;
    const QStringList paths = QFileDialog::getOpenFileNames(
        dialogParent, tr("Open file"), QString(),
        tr("(*.mp4 *.m3u8 *.ts *.mov *.m4a)"));
    startImport(paths);
}

void VideoLibrary::dropFile(QList<QUrl> urls)
{
    if (urls.isEmpty())
        return;
    if (!importOpen) {
        showImportingTip();
        return;
    }
    QStringList paths;
    paths.reserve(urls.size());
    for (const QUrl &url : qAsConst(urls))
        paths.append(url.toLocalFile());
    startImport(withoutFolders(paths));
}

void VideoLibrary::addPaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (!importOpen) {
        showImportingTip();
        return;
    }
    startImport(withoutFolders(paths));
}

QStringList VideoLibrary::withoutFolders(const QStringList &paths)
{
    // A folder would become a row that plays nothing; reading the recordings inside one is not
    // done yet, so the user is told rather than left with a dead row.
    QStringList files;
    QStringList folders;
    for (const QString &path : paths)
        (!path.isEmpty() && QFileInfo(path).isDir() ? folders : files).append(path);
    if (folders.isEmpty())
        return files;
    QMessageBox box(dialogParent);
    box.setObjectName(QLatin1String(folderRefusedBoxName));
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(tr("Remind"));
    box.setTextFormat(Qt::PlainText);
    box.setText(tr("Folders cannot be added yet; add the recordings inside them instead:\n%1")
                    .arg(folders.join(QLatin1Char('\n'))));
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(tr("OK"));
    box.exec();
    return files;
}

void VideoLibrary::onUiThread(QString path, QString date, QString name)
{
    FileBean bean;
    bean.fileName = name;
    bean.filePath = path;
    bean.fileDate = date;
    addRow(bean);
    fileList.append(bean);
    // A crash during a long import keeps the rows imported so far; at most once a second.
    if (importOpen)
        return;
    const qint64 since = sinceSave.isValid() ? sinceSave.elapsed() : importSaveIntervalMs;
    if (since >= importSaveIntervalMs)
        saveList();
    else if (!deferredSave.isActive())
        deferredSave.start(int(importSaveIntervalMs - since));
}

void VideoLibrary::finishedOper()
{
    importOpen = true;
    saveList();
    emit importFinished();
}

void VideoLibrary::finishedSingleThumbnail(int index)
{
    Q_UNUSED(index)
}

void VideoLibrary::finishedSingleAddOneFile(FileBean bean)
{
    Q_UNUSED(bean)
}

void VideoLibrary::thumbnailFinished(int value)
{
    qDebug() << "thumbnailFinished:" << value;
    refreshVideoList();
}

void VideoLibrary::addRow(const FileBean &bean)
{
    addRow(bean, settings.readValue(QStringLiteral("thumbnailPath")));
}

void VideoLibrary::addRow(const FileBean &bean, const QString &thumbnailFolder)
{
    if (!listWidget)
        return;
    FileInfoWidget *row = newRowWidget();
    auto *item = new QListWidgetItem;
    listWidget->addItem(item);
    fillRow(item, row, bean, thumbnailFolder);
    listWidget->setItemWidget(item, row);
}

FileInfoWidget *VideoLibrary::newRowWidget()
{
    auto *row = new FileInfoWidget(listWidget);
    connect(row, &FileInfoWidget::removeItem, this, &VideoLibrary::removeItem);
    return row;
}

void VideoLibrary::fillRow(QListWidgetItem *item, FileInfoWidget *row, const FileBean &bean,
                           const QString &thumbnailFolder)
{
    row->setFileInfo(bean.filePath, rowDateText(bean), bean.fileName);
    const QPixmap thumbnail =
        thumbnails.pixmap(FileOper::thumbnailFileFor(thumbnailFolder, bean.filePath));
    if (!thumbnail.isNull())
        row->setThumbnail(thumbnail);
    else
        row->showDefaultThumbnail();
    item->setSizeHint(QSize(120, row->height()));
    item->setData(pathRole, bean.filePath);
}

// Shows fileList row for row. A row widget costs far more to build (form set-up, style sheet
// polish) than to refill, so the rows already on the list are refilled in place and only the
// difference is built or removed: a sort or a refresh of an unchanged list builds nothing.
void VideoLibrary::rebuildRows()
{
    const QString thumbnailFolder = settings.readValue(QStringLiteral("thumbnailPath"));
    const bool updates = listWidget->updatesEnabled();
    listWidget->setUpdatesEnabled(false);
    thumbnails.beginPass();

    const int wanted = fileList.size();
    // Surplus rows go in one removal, not one model change per row.
    if (listWidget->count() > wanted)
        listWidget->model()->removeRows(wanted, listWidget->count() - wanted);
    const int kept = listWidget->count();
    for (int i = 0; i < kept; ++i) {
        QListWidgetItem *item = listWidget->item(i);
        auto *row = qobject_cast<FileInfoWidget *>(listWidget->itemWidget(item));
        const bool fresh = !row;
        if (fresh)
            row = newRowWidget();
        else // a row left by an earlier library on this list must talk to this one
            connect(row, &FileInfoWidget::removeItem, this, &VideoLibrary::removeItem,
                    Qt::UniqueConnection);
        fillRow(item, row, fileList.at(i), thumbnailFolder);
        if (fresh)
            listWidget->setItemWidget(item, row);
    }
    // New rows: every item first, in one insertion, then their widgets. A visible view re-places
    // all its row widgets on each inserted row, so adding them one by one costs rows squared.
    if (wanted > kept) {
        listWidget->model()->insertRows(kept, wanted - kept);
        for (int i = kept; i < wanted; ++i) {
            QListWidgetItem *item = listWidget->item(i);
            FileInfoWidget *row = newRowWidget();
            fillRow(item, row, fileList.at(i), thumbnailFolder);
            listWidget->setItemWidget(item, row);
        }
    }

    thumbnails.endPass();
    // A rebuilt list starts at its top, as a cleared and refilled one would.
    listWidget->scrollToTop();
    listWidget->setUpdatesEnabled(updates);
}

void VideoLibrary::removeItem(QString path)
{
    if (!importOpen) {
        showImportingTip();
        return;
    }
    int index = -1;
    for (int i = 0; i < fileList.size(); ++i) {
        if (fileList.at(i).filePath == path) {
            index = i;
            break;
        }
    }
    if (index >= 0)
        fileList.removeAt(index);
    saveList();
    if (index >= 0 && listWidget)
        delete listWidget->takeItem(index);
}

void VideoLibrary::confirmAndRemove(const QString &path)
{
    if (!importOpen) {
        showImportingTip();
        return;
    }
    QMessageBox box(dialogParent);
    box.setObjectName(QLatin1String(deleteOneBoxName));
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(tr("Remind"));
    // The file name is shown as it is, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(tr("Remove %1 from the list?")
                    .arg(QFileInfo(path).fileName()));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(tr("YES"));
    box.button(QMessageBox::No)->setText(tr("NO"));
    if (box.exec() == QMessageBox::Yes)
        removeItem(path);
}

void VideoLibrary::removeVideoOnClick()
{
    if (!importOpen) {
        showImportingTip();
        return;
    }
    QMessageBox box(dialogParent);
    box.setObjectName(QLatin1String(deleteAllBoxName));
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(tr("Remind"));
    // The list forgets the entries; nothing is deleted on disk, and the question says so.
    box.setText(tr("Remove all recordings from the list? The files stay on disk."));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(tr("YES"));
    box.button(QMessageBox::No)->setText(tr("NO"));
    if (box.exec() != QMessageBox::Yes) {
        qDebug() << "clicked no\n";
        return;
    }
    qDebug() << "clicked yes\n";
    if (listWidget) {
        for (int i = 0; i < fileList.size(); ++i)
            delete listWidget->takeItem(0);
    }
    fileList.clear();
    absentEntries.clear();
    saveList();
}

void VideoLibrary::sortVideoOnClick()
{
    if (!importOpen) {
        showImportingTip();
        return;
    }
    if (settings.readInt(sortKey) != 0) {
        settings.writeValue(sortKey, QStringLiteral("0"));
        updateSortIcon(0);
    } else {
        settings.writeValue(sortKey, QStringLiteral("1"));
        updateSortIcon(1);
    }
    sortVideoList(settings.readInt(sortKey));
    refreshVideoList();
}

void VideoLibrary::sortVideoList(int order)
{
    sortBeansByName(fileList, order);
}

void VideoLibrary::refreshVideoList()
{
    if (listWidget)
        rebuildRows();
    if (!fileList.isEmpty())
        saveList();
    int row = -1;
    for (int i = 0; i < fileList.size(); ++i) {
        if (fileList.at(i).filePath == current.filePath) {
            row = i;
            break;
        }
    }
    if (listWidget)
        listWidget->setCurrentRow(row);
}

void VideoLibrary::restoreVideoList()
{
    // Entries kept hidden so far are looked at again: their folder may be back. After a failed
    // save the store is behind: the list in memory is the true one.
    const QList<FileBean> saved =
        lastSaveFailed ? fileList + absentEntries : listStore.loadFileList();
    fileList.clear();
    absentEntries.clear();
    for (const FileBean &bean : qAsConst(saved)) {
        switch (entryPresence(bean.filePath)) {
        case EntryPresence::Present:
            // Earlier versions listed dropped folders, which play nothing.
            if (!QFileInfo(bean.filePath).isDir())
                fileList.append(bean);
            break;
        case EntryPresence::FolderAbsent:
            absentEntries.append(bean);
            break;
        case EntryPresence::FileGone:
            break;
        }
    }
    saveList();
    makeMissingThumbnails();
}

void VideoLibrary::makeMissingThumbnails()
{
    const QString folder = settings.readValue(QStringLiteral("thumbnailPath"));
    if (folder.isEmpty() || thumbnailWorker->isRunning())
        return;
    QStringList missing;
    for (const FileBean &bean : qAsConst(fileList)) {
        if (!QFileInfo::exists(FileOper::thumbnailFileFor(folder, bean.filePath)))
            missing << bean.filePath;
    }
    if (missing.isEmpty())
        return;
    thumbnailWorker->wait();
    thumbnailWorker->setFilePaths(missing);
    thumbnailWorker->start();
}

void VideoLibrary::saveList()
{
    sinceSave.restart();
    deferredSave.stop();
    // Hidden entries are saved after the shown ones, so they survive until their folder is back.
    const QString error = listStore.saveFileList(fileList + absentEntries);
    if (error.isEmpty()) {
        lastSaveFailed = false;
        return;
    }
    qWarning().noquote() << "saving the list failed:" << error;
    // Said once per run of failures, not at every row of an import.
    if (!lastSaveFailed)
        emit saveFailed(error);
    lastSaveFailed = true;
}
