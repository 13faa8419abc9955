// The library list operations with real widgets (offscreen), the real worker and ffmpeg, and
// the saved list in this test's own settings file.
#include "clipmaker.h"
#include "fileinfowidget.h"
#include "filelistitem.h"
#include "fileoper.h"
#include "projectlistwidget.h"
#include "settingsstore.h"
#include "translationloader.h"
#include "videolibrary.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

// Answers the modal message boxes of one kind as they appear, the way a user would, and keeps
// what they said.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer(const char *objectName, QMessageBox::StandardButton answer)
        : name(QLatin1String(objectName)), button(answer)
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box || box->objectName() != name) {
                // Anything else that pops up (a file dialog, another box) is a fault: note it
                // and close it so the test does not hang.
                foreign.append(modal->objectName());
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
                return;
            }
            titles.append(box->windowTitle());
            texts.append(box->text());
            QStringList labels;
            for (QAbstractButton *b : box->buttons())
                labels.append(b->text());
            labels.sort();
            buttonTexts.append(labels.join(QLatin1Char('|')));
            box->button(button)->click();
        });
        timer.start(10);
    }

    QString name;
    QMessageBox::StandardButton button;
    QTimer timer;
    QStringList titles;
    QStringList texts;
    QStringList buttonTexts;
    QStringList foreign;
};

FileBean makeBean(const QString &name, const QString &path)
{
    return FileBean{name, path, QStringLiteral("2021-03-04 05:06:07")};
}

} // namespace

class TestVideoLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void importsRealClipsIntoRowsAndSavedList();
    void importWithoutThumbnailProgramShowsDefaultPicture();
    void busyImportRefusesEveryListChange();
    void busyMessageIsTranslated();
    void importRightAfterTheLastOneEnded();
    void restartDropsDeletedFiles();
    void sortTogglesOrderAndButton();
    void sortVideoList_data();
    void sortVideoList();
    void deleteAllAsksFirst();
    void deleteAllOnEmptyListSavesEmptyArray();
    void removeRowOfFileListedTwice();
    void droppedFilesAreImported();
    void foldersAreNeverListed();
    void fileDialogCancelReopensGate();
    void fileDialogSelectionIsImported();
    void refreshSelectsCurrentFile();
    void closingWindowDuringImportStopsWorker();
    void rebuildsShowEachRowsCurrentThumbnail();
    void rebuildAfterFilesWentKeepsRowsWorking();
    void htmlLikeNamesShowLiterally();
    void pathsAlreadyListedAreNotImportedAgain();
    void entriesOnAnAbsentFolderStayHidden();
    void rowsAreSavedDuringAnImport();
    void failedSaveIsToldAndKeepsTheList();
    void picturesMissingAtStartAreMadeAgain();
    void previousAndNextRows();
    void rowShowsTheRecordingTimeOfTheName();

private:
    std::unique_ptr<VideoLibrary> makeLibrary();
    QStringList rowNames() const;
    QStringList rowPaths() const;
    FileInfoWidget *rowWidget(int row) const;
    bool importAndWait(const QStringList &paths);
    QString clip(const QString &name) const { return clipDir + QLatin1Char('/') + name; }
    QString thumbOf(const QString &path) const { return FileOper::thumbnailFileFor(thumbDir, path); }
    // A thumbnail program of the test's own, first on PATH until the test ends.
    bool putProgramOnPath(const QByteArray &script)
    {
        const QString bin = tmp.filePath(QStringLiteral("pathbin"));
        QDir().mkpath(bin);
        QFile file(bin + QStringLiteral("/ffmpeg"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        file.write(script);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", (bin + QLatin1Char(':')).toLocal8Bit() + savedPath);
        return true;
    }
    QByteArray savedPath = qgetenv("PATH");

    QTemporaryDir tmp;
    QString clipDir;
    QString thumbDir;
    QImage defaultPicture;
    std::unique_ptr<QWidget> window;
    ProjectListWidget *list = nullptr;
    QToolButton *sortButton = nullptr;
    std::unique_ptr<VideoLibrary> lib;
};

void TestVideoLibrary::initTestCase()
{
    QVERIFY(tmp.isValid());
    clipDir = tmp.filePath(QStringLiteral("clips"));
    ClipOptions small;
    small.seconds = 1;
    small.width = 160;
    small.height = 120;
    small.audio = false;
    small.frameNumbers = false;
    for (const char *name : {"c.mp4", "a.mov", "b.ts"})
        QVERIFY(!makeClip(clipDir, QLatin1String(name), small).isEmpty());
    thumbDir = tmp.filePath(QStringLiteral("thumbs/"));
    QVERIFY(QDir().mkpath(thumbDir));
    // The row's initial picture, whatever the resources hold.
    FileInfoWidget probe;
    defaultPicture = probe.iconLabel()->pixmap(Qt::ReturnByValue).toImage();
}

void TestVideoLibrary::init()
{
    // A fresh store for every test: no saved list, no preferences but the thumbnail folder.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, SettingsStore::organization,
              SettingsStore::application)
        .clear();
    SettingsStore().writeValue(QStringLiteral("thumbnailPath"), thumbDir);
    window = std::make_unique<QWidget>();
    list = new ProjectListWidget(window.get());
    sortButton = new QToolButton(window.get());
    sortButton->setObjectName(QStringLiteral("sortVideoBtn"));
    window->show();
    lib = makeLibrary();
}

void TestVideoLibrary::cleanup()
{
    qputenv("PATH", savedPath);
    lib.reset();
    window.reset();
}

std::unique_ptr<VideoLibrary> TestVideoLibrary::makeLibrary()
{
    return std::make_unique<VideoLibrary>(list, sortButton, window.get());
}

QStringList TestVideoLibrary::rowNames() const
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(rowWidget(i) ? rowWidget(i)->fileNameLabel()->text() : QString());
    return names;
}

QStringList TestVideoLibrary::rowPaths() const
{
    QStringList paths;
    for (int i = 0; i < list->count(); ++i)
        paths.append(list->item(i)->data(Qt::UserRole + 1).toString());
    return paths;
}

FileInfoWidget *TestVideoLibrary::rowWidget(int row) const
{
    return qobject_cast<FileInfoWidget *>(list->itemWidget(list->item(row)));
}

bool TestVideoLibrary::importAndWait(const QStringList &paths)
{
    QSignalSpy done(lib.get(), &VideoLibrary::importFinished);
    lib->addPaths(paths);
    return done.wait(120000);
}

void TestVideoLibrary::importsRealClipsIntoRowsAndSavedList()
{
    const QStringList paths{clip("c.mp4"), clip("a.mov"), clip("b.ts"), clip("c.mp4")};
    QSignalSpy done(lib.get(), &VideoLibrary::importFinished);
    lib->addPaths(paths);
    QVERIFY(!lib->isImportOpen());
    QVERIFY(done.wait(120000));
    QVERIFY(lib->isImportOpen());

    // A file named twice is listed once.
    QCOMPARE(rowNames(), QStringList({"c.mp4", "a.mov", "b.ts"}));
    QCOMPARE(rowPaths(), paths.mid(0, 3));
    QCOMPARE(lib->beans().size(), 3);
    for (int i = 0; i < 3; ++i) {
        const FileBean &bean = lib->beans().at(i);
        QCOMPARE(bean, FileOper::makeFileBean(paths.at(i)));
        FileInfoWidget *row = rowWidget(i);
        QCOMPARE(row->filePath(), paths.at(i));
        QCOMPARE(row->deleteButton()->objectName(), paths.at(i));
        QCOMPARE(row->fileDateLabel()->text(), bean.fileDate);
        QCOMPARE(list->item(i)->sizeHint(), QSize(120, row->height()));
        // The thumbnail made by ffmpeg is on the row.
        const QPixmap shown = row->iconLabel()->pixmap(Qt::ReturnByValue);
        QCOMPARE(shown.size(), QSize(81, 60));
    }
    for (const QString &path : paths.mid(0, 3))
        QVERIFY2(QFileInfo::exists(thumbOf(path)), qPrintable(path));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());
}

void TestVideoLibrary::importWithoutThumbnailProgramShowsDefaultPicture()
{
    const QByteArray savedPath = qgetenv("PATH");
    const QString emptyBin = tmp.filePath(QStringLiteral("emptybin"));
    QDir().mkpath(emptyBin);
    qputenv("PATH", emptyBin.toLocal8Bit());
    // Names whose thumbnails do not exist yet.
    const QString first = tmp.filePath(QStringLiteral("nothumb/first.mp4"));
    const QString second = tmp.filePath(QStringLiteral("nothumb/second.mov"));
    QDir().mkpath(tmp.filePath(QStringLiteral("nothumb")));
    QFile::copy(clip("c.mp4"), first);
    QFile::copy(clip("a.mov"), second);
    const bool finished = importAndWait({second, first});
    qputenv("PATH", savedPath);
    QVERIFY(finished);
    QCOMPARE(rowNames(), QStringList({"second.mov", "first.mp4"}));
    for (int i = 0; i < 2; ++i)
        QCOMPARE(rowWidget(i)->iconLabel()->pixmap(Qt::ReturnByValue).toImage(), defaultPicture);
    QVERIFY(!QFileInfo::exists(thumbOf(first)));
    QCOMPARE(FileListItem().loadFileList().size(), 2);
}

void TestVideoLibrary::busyImportRefusesEveryListChange()
{
    // One file in the list before the import, so removals have something to refuse.
    lib->onUiThread(clip("b.ts"), QStringLiteral("2021-01-01 00:00:00"), QStringLiteral("b.ts"));
    FileListItem().saveFileList(lib->beans());

    // A thumbnail program that runs until the test lets it end keeps the import running while
    // the user tries everything else (the message boxes run the event loop, so rows would keep
    // arriving).
    const QString release = tmp.filePath(QStringLiteral("busy-release"));
    QVERIFY(putProgramOnPath(
        QStringLiteral("#!/bin/sh\nwhile [ ! -e '%1' ]; do sleep 0.02; done\n").arg(release).toUtf8()));

    BoxAnswerer busy(VideoLibrary::importingTipName, QMessageBox::Yes);
    QSignalSpy done(lib.get(), &VideoLibrary::importFinished);
    lib->addPaths({tmp.filePath("busy/slow1.mp4"), tmp.filePath("busy/slow2.mov")});
    QVERIFY(!lib->isImportOpen());

    lib->sortVideoOnClick();
    QVERIFY(!lib->isImportOpen());
    lib->removeVideoOnClick();
    QVERIFY(!lib->isImportOpen());
    lib->addVideoOnClick();
    QVERIFY(!lib->isImportOpen());
    lib->addPaths({clip("b.ts")});
    QVERIFY(!lib->isImportOpen());
    lib->dropFile({QUrl::fromLocalFile(clip("b.ts"))});
    QVERIFY(!lib->isImportOpen());
    rowWidget(0)->deleteButton()->click();
    QVERIFY(!lib->isImportOpen());

    QCOMPARE(busy.texts.size(), 6);
    for (int i = 0; i < busy.texts.size(); ++i) {
        QCOMPARE(busy.titles.at(i), QStringLiteral("Remind"));
        QCOMPARE(busy.texts.at(i), QStringLiteral("Importing files, please wait..."));
        QCOMPARE(busy.buttonTexts.at(i), QStringLiteral("YES"));
    }
    QVERIFY(busy.foreign.isEmpty()); // no confirmation, no file dialog
    QVERIFY(SettingsStore().readValue(QStringLiteral("videoSort")).isEmpty());
    QVERIFY(done.isEmpty());

    QFile released(release);
    QVERIFY(released.open(QIODevice::WriteOnly));
    released.close();
    QVERIFY(done.wait(120000));
    qputenv("PATH", savedPath);
    QCOMPARE(done.size(), 1);
    // The refused removal kept b.ts; the refused imports added nothing.
    QCOMPARE(rowNames(), QStringList({"b.ts", "slow1.mp4", "slow2.mov"}));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());
}

void TestVideoLibrary::busyMessageIsTranslated()
{
    SettingsStore().writeValue(QStringLiteral("language"), QStringLiteral("1"));
    TranslationLoader().loadLanguage();
    // Deliver the language change now, not inside the box (a message box re-labels its
    // standard buttons on that event).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QStringList texts;
    {
        BoxAnswerer busy(VideoLibrary::importingTipName, QMessageBox::Yes);
        lib->showImportingTip();
        texts = busy.titles + busy.texts + busy.buttonTexts;
    }
    {
        BoxAnswerer confirm(VideoLibrary::deleteAllBoxName, QMessageBox::No);
        lib->removeVideoOnClick();
        texts += confirm.texts + confirm.buttonTexts;
    }
    SettingsStore().writeValue(QStringLiteral("language"), QStringLiteral("0"));
    TranslationLoader().loadLanguage();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCOMPARE(texts, QStringList({QStringLiteral("ヒント"),
                                 QStringLiteral("ビデオファイルをインポートしています、少々お待ちくださ..."),
                                 QStringLiteral("はい"),
                                 QStringLiteral("すべての録画をリストから外しますか？ファイルはディスクに残ります。"),
                                 QStringLiteral("いえ|はい")}));
}

void TestVideoLibrary::importRightAfterTheLastOneEnded()
{
    // The end of an import is announced while the worker thread is still winding down; a new
    // import started from that very signal must still run.
    // Hold the worker thread briefly right after it announced the end, so the GUI surely
    // handles that announcement while the thread is still alive.
    // Only the first end is held: the imports after it meet the thread in whatever state the
    // moment leaves it. Both outlive this function: the worker may still be holding on them when
    // a check fails.
    static QSemaphore neverReleased;
    static QAtomicInt ends;
    ends.storeRelaxed(0);
    QObject context; // its end disconnects the lambdas below
    connect(
        lib->worker(), &FileOper::fileOperFileFinished, &context,
        [] {
            if (ends.fetchAndAddRelaxed(1) == 0)
                neverReleased.tryAcquire(1, 500);
        },
        Qt::DirectConnection);
    QSignalSpy done(lib.get(), &VideoLibrary::importFinished);
    bool chained = false;
    connect(lib.get(), &VideoLibrary::importFinished, &context, [&] {
        if (!chained) {
            chained = true;
            lib->addPaths({clip("a.mov")});
        }
    });
    lib->addPaths({clip("c.mp4")});
    // Deadlines well inside the test runner's five minutes, so a gate that stays shut is reported
    // (a failing QTRY waits twice its deadline again before it reports).
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 2, 30000);
    QCOMPARE(rowNames(), QStringList({"c.mp4", "a.mov"}));
    QVERIFY(lib->isImportOpen());

    // Many imports back to back, each started from the end of the previous one (each of
    // another file: a listed one is not added again). No thumbnail program: an import is then
    // little more than the thread's start and end, and ffmpeg's own start would take longer.
    const QString emptyBin = tmp.filePath(QStringLiteral("emptybin"));
    QVERIFY(QDir().mkpath(emptyBin));
    qputenv("PATH", emptyBin.toLocal8Bit());
    int remaining = 20;
    auto next = [&] { return tmp.filePath(QStringLiteral("chain/%1.ts").arg(remaining)); };
    connect(lib.get(), &VideoLibrary::importFinished, &context, [&] {
        if (--remaining > 0)
            lib->addPaths({next()});
    });
    lib->addPaths({next()});
    QTRY_COMPARE_WITH_TIMEOUT(remaining, 0, 60000);
    QCOMPARE(list->count(), 22);
    QCOMPARE(lib->beans().size(), 22);
    QVERIFY(lib->worker()->wait(10000));
}

void TestVideoLibrary::restartDropsDeletedFiles()
{
    const QString dir = tmp.filePath(QStringLiteral("restart"));
    QDir().mkpath(dir);
    QStringList paths;
    for (const char *name : {"one.mp4", "two.mp4", "three.mp4"}) {
        paths.append(dir + QLatin1Char('/') + QLatin1String(name));
        QFile::copy(clip("c.mp4"), paths.last());
    }
    QVERIFY(importAndWait(paths));
    QCOMPARE(FileListItem().loadFileList().size(), 3);

    // Quit, delete the second file, start again.
    lib.reset();
    list->clear();
    QVERIFY(QFile::remove(paths.at(1)));
    lib = makeLibrary();
    QCOMPARE(list->count(), 0);
    lib->restoreVideoList();
    lib->refreshVideoList();
    QCOMPARE(rowNames(), QStringList({"one.mp4", "three.mp4"}));
    QCOMPARE(rowPaths(), QStringList({paths.at(0), paths.at(2)}));
    const QList<FileBean> saved = FileListItem().loadFileList();
    QCOMPARE(saved, lib->beans());
    QCOMPARE(saved.size(), 2);
    // Thumbnails made in the first run are shown without running ffmpeg again.
    QCOMPARE(rowWidget(1)->iconLabel()->pixmap(Qt::ReturnByValue).size(), QSize(81, 60));

    // Everything gone: the restore still saves, an empty list.
    QFile::remove(paths.at(0));
    QFile::remove(paths.at(2));
    lib->restoreVideoList();
    QVERIFY(lib->beans().isEmpty());
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, SettingsStore::organization,
                       SettingsStore::application);
    QCOMPARE(settings.value(QStringLiteral("files/size")).toInt(), 0);
    QVERIFY(FileListItem().loadFileList().isEmpty());
}

void TestVideoLibrary::sortTogglesOrderAndButton()
{
    for (const char *name : {"b.mp4", "A.mp4", "a.mp4"})
        lib->onUiThread(QStringLiteral("/v/") + QLatin1String(name), QString(), QLatin1String(name));
    SettingsStore store;
    QVERIFY(store.readValue(QStringLiteral("videoSort")).isEmpty());

    lib->sortVideoOnClick();
    QCOMPARE(store.readValue(QStringLiteral("videoSort")), QStringLiteral("1"));
    QCOMPARE(rowNames(), QStringList({"b.mp4", "a.mp4", "A.mp4"}));
    QCOMPARE(rowPaths(), QStringList({"/v/b.mp4", "/v/a.mp4", "/v/A.mp4"}));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());
    const qint64 descendingIcon = sortButton->icon().cacheKey();

    lib->sortVideoOnClick();
    QCOMPARE(store.readValue(QStringLiteral("videoSort")), QStringLiteral("0"));
    QCOMPARE(rowNames(), QStringList({"A.mp4", "a.mp4", "b.mp4"}));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());
    QVERIFY(sortButton->icon().cacheKey() != descendingIcon);

    // A new library shows the icon of the stored order without sorting anything.
    lib.reset();
    list->clear();
    store.writeValue(QStringLiteral("videoSort"), QStringLiteral("1"));
    lib = makeLibrary();
    QVERIFY(!sortButton->icon().isNull() || QIcon(":/images/icon_video_positive.png").isNull());
}

void TestVideoLibrary::sortVideoList_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("c a b ascending") << QStringList{"c", "a", "b"} << 0
                                     << QStringList{"a", "b", "c"};
    QTest::newRow("c a b descending") << QStringList{"c", "a", "b"} << 1
                                      << QStringList{"c", "b", "a"};
    QTest::newRow("upper before lower") << QStringList{"b.mp4", "A.mp4", "a.mp4"} << 0
                                        << QStringList{"A.mp4", "a.mp4", "b.mp4"};
    QTest::newRow("any non-zero is descending") << QStringList{"a", "c", "b"} << 5
                                                << QStringList{"c", "b", "a"};
    QTest::newRow("duplicates") << QStringList{"b", "a", "b", "a"} << 0
                                << QStringList{"a", "a", "b", "b"};
    QTest::newRow("code units") << QStringList{"é", "z", "Z"} << 0
                                << QStringList{"Z", "z", "é"};
    QTest::newRow("empty") << QStringList{} << 0 << QStringList{};
}

void TestVideoLibrary::sortVideoList()
{
    QFETCH(QStringList, names);
    QFETCH(int, order);
    QFETCH(QStringList, expected);
    QList<FileBean> beans;
    for (int i = 0; i < names.size(); ++i)
        beans.append(makeBean(names.at(i), QStringLiteral("/p/%1").arg(i)));
    sortBeansByName(beans, order);
    QStringList sorted;
    for (const FileBean &b : beans)
        sorted.append(b.fileName);
    QCOMPARE(sorted, expected);
}

void TestVideoLibrary::deleteAllAsksFirst()
{
    for (const char *name : {"x.mp4", "y.mp4"})
        lib->onUiThread(QStringLiteral("/v/") + QLatin1String(name), QString(), QLatin1String(name));
    FileListItem().saveFileList(lib->beans());
    {
        BoxAnswerer no(VideoLibrary::deleteAllBoxName, QMessageBox::No);
        lib->removeVideoOnClick();
        // Only the list is emptied, and the question says so.
        QCOMPARE(no.texts.size(), 1);
        QVERIFY2(no.texts.first().contains("stay on disk"), qPrintable(no.texts.first()));
        QCOMPARE(no.titles, QStringList({"Remind"}));
        QCOMPARE(no.buttonTexts, QStringList({"NO|YES"}));
    }
    QCOMPARE(list->count(), 2);
    QCOMPARE(FileListItem().loadFileList().size(), 2);
    {
        BoxAnswerer yes(VideoLibrary::deleteAllBoxName, QMessageBox::Yes);
        lib->removeVideoOnClick();
        QCOMPARE(yes.texts.size(), 1);
    }
    QCOMPARE(list->count(), 0);
    QVERIFY(lib->beans().isEmpty());
    QVERIFY(FileListItem().loadFileList().isEmpty());
}

void TestVideoLibrary::deleteAllOnEmptyListSavesEmptyArray()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, SettingsStore::organization,
                       SettingsStore::application);
    QVERIFY(!settings.contains(QStringLiteral("files/size")));
    BoxAnswerer yes(VideoLibrary::deleteAllBoxName, QMessageBox::Yes);
    lib->removeVideoOnClick();
    QCOMPARE(yes.texts.size(), 1);
    settings.sync();
    QVERIFY(settings.contains(QStringLiteral("files/size")));
    QCOMPARE(settings.value(QStringLiteral("files/size")).toInt(), 0);
}

void TestVideoLibrary::removeRowOfFileListedTwice()
{
    lib->onUiThread(QStringLiteral("/v/x.mp4"), QStringLiteral("d1"), QStringLiteral("x.mp4"));
    lib->onUiThread(QStringLiteral("/v/y.mp4"), QStringLiteral("d2"), QStringLiteral("y.mp4"));
    lib->onUiThread(QStringLiteral("/v/x.mp4"), QStringLiteral("d3"), QStringLiteral("x.mp4"));

    // The delete button of the third row names /v/x.mp4: the first such bean and its row go.
    rowWidget(2)->deleteButton()->click();
    QCOMPARE(rowNames(), QStringList({"y.mp4", "x.mp4"}));
    QCOMPARE(lib->beans().size(), 2);
    QCOMPARE(lib->beans().at(1).fileDate, QStringLiteral("d3"));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());
    QCOMPARE(rowWidget(1)->fileDateLabel()->text(), QStringLiteral("d3"));

    // A path that is not listed removes nothing.
    lib->removeItem(QStringLiteral("/v/none.mp4"));
    QCOMPARE(rowNames(), QStringList({"y.mp4", "x.mp4"}));
    QCOMPARE(lib->beans().size(), 2);
}

void TestVideoLibrary::droppedFilesAreImported()
{
    const QString folder = tmp.filePath(QStringLiteral("dropped-folder"));
    QDir().mkpath(folder);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(clip("b.ts")), QUrl::fromLocalFile(folder),
                  QUrl::fromLocalFile(clip("a.mov"))});
    const QPoint where = list->viewport()->rect().center();
    // Shift makes a file manager propose a move: the list must take a copy all the same, or the
    // source would delete the files it handed over.
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;

    QDragEnterEvent enter(where, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(enter.proposedAction(), Qt::MoveAction);
    QApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(where, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QVERIFY(move.isAccepted());
    QCOMPARE(move.dropAction(), Qt::CopyAction);

    QSignalSpy dropped(list, &ProjectListWidget::dropFileEvent);
    QSignalSpy done(lib.get(), &VideoLibrary::importFinished);
    BoxAnswerer refused(VideoLibrary::folderRefusedBoxName, QMessageBox::Ok);
    QDropEvent drop(where, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(dropped.size(), 1);
    QVERIFY(done.wait(120000));
    // The folder is named in a message, and neither listed nor saved; the files are.
    QCOMPARE(refused.texts.size(), 1);
    QVERIFY2(refused.texts.first().contains(folder), qPrintable(refused.texts.first()));
    QVERIFY2(refused.foreign.isEmpty(), qPrintable(refused.foreign.join(',')));
    QCOMPARE(rowNames(), QStringList({"b.ts", "a.mov"}));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());

    // A drop of plain text carries no files and starts nothing.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDropEvent textDrop(where, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &textDrop);
    QCOMPARE(dropped.size(), 1);
    QCoreApplication::processEvents();
    QVERIFY(lib->isImportOpen());
    QCOMPARE(list->count(), 2);
}

void TestVideoLibrary::foldersAreNeverListed()
{
    // Named on the command line, a folder alone is refused and the import still ends.
    const QString folder = tmp.filePath(QStringLiteral("named-folder"));
    QDir().mkpath(folder);
    {
        BoxAnswerer refused(VideoLibrary::folderRefusedBoxName, QMessageBox::Ok);
        QVERIFY(importAndWait({folder}));
        QCOMPARE(refused.texts.size(), 1);
    }
    QCOMPARE(list->count(), 0);

    // A folder saved by an earlier version goes at the next start; the file beside it stays.
    FileListItem().saveFileList({makeBean(QStringLiteral("named-folder"), folder),
                                 makeBean(QStringLiteral("c.mp4"), clip("c.mp4"))});
    lib->restoreVideoList();
    lib->refreshVideoList();
    QCOMPARE(rowPaths(), QStringList({clip("c.mp4")}));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());
}

void TestVideoLibrary::fileDialogCancelReopensGate()
{
    QStringList captions;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            captions.append(dialog->windowTitle() + QLatin1Char(';')
                            + dialog->nameFilters().join(QLatin1Char(';')));
            dialog->reject();
        }
    });
    timer.start(10);
    QSignalSpy done(lib.get(), &VideoLibrary::importFinished);
    lib->addVideoOnClick();
    QVERIFY(done.wait(10000));
    QCOMPARE(captions, QStringList({"Open file;(*.mp4 *.m3u8 *.ts *.mov *.m4a)"}));
    QVERIFY(lib->isImportOpen());
    QCOMPARE(list->count(), 0);
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, SettingsStore::organization,
                       SettingsStore::application);
    QCOMPARE(settings.value(QStringLiteral("files/size")).toInt(), 0);
}

void TestVideoLibrary::fileDialogSelectionIsImported()
{
    QTimer timer;
    bool answered = false;
    connect(&timer, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || answered)
            return;
        answered = true;
        dialog->setDirectory(clipDir);
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        edit->setText(QStringLiteral("\"b.ts\" \"c.mp4\""));
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    timer.start(10);
    QSignalSpy done(lib.get(), &VideoLibrary::importFinished);
    lib->addVideoOnClick();
    QVERIFY(done.wait(120000));
    QVERIFY(answered);
    QCOMPARE(rowNames(), QStringList({"b.ts", "c.mp4"}));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());
}

void TestVideoLibrary::refreshSelectsCurrentFile()
{
    for (const char *name : {"x.mp4", "y.mp4", "z.mp4"})
        lib->onUiThread(QStringLiteral("/v/") + QLatin1String(name), QString(), QLatin1String(name));
    lib->setCurrentFile(makeBean(QStringLiteral("y.mp4"), QStringLiteral("/v/y.mp4")));
    lib->refreshVideoList();
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(FileListItem().loadFileList().size(), 3);

    lib->setCurrentFile(makeBean(QStringLiteral("q.mp4"), QStringLiteral("/v/q.mp4")));
    lib->refreshVideoList();
    QCOMPARE(list->currentRow(), -1);

    // A thumbnail that appears after its row was built shows from the next rebuild on.
    const QImage picture = QImage(QSize(81, 60), QImage::Format_RGB32);
    QImage filled = picture;
    filled.fill(Qt::red);
    QVERIFY(filled.save(thumbOf(QStringLiteral("/v/z.mp4"))));
    QVERIFY(rowWidget(2)->iconLabel()->pixmap(Qt::ReturnByValue).size() != QSize(81, 60)
            || defaultPicture.size() == QSize(81, 60));
    lib->thumbnailFinished(0);
    QCOMPARE(rowWidget(2)->iconLabel()->pixmap(Qt::ReturnByValue).size(), QSize(81, 60));
}

void TestVideoLibrary::closingWindowDuringImportStopsWorker()
{
    // The window owns a library of its own here, as in the player; a thumbnail program that
    // never ends is running when the window goes.
    lib.reset();
    const QString pidFile = tmp.filePath(QStringLiteral("closing.pid"));
    QVERIFY(putProgramOnPath(
        QStringLiteral("#!/bin/sh\necho $$ > '%1'\nexec sleep 300\n").arg(pidFile).toUtf8()));

    auto *owned = new VideoLibrary(list, sortButton, window.get());
    QCOMPARE(owned->parent(), window.get());
    owned->addPaths({tmp.filePath(QStringLiteral("closing/never1.mp4")),
                     tmp.filePath(QStringLiteral("closing/never2.mp4"))});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(pidFile).size() > 0, 20000);
    QFile pid(pidFile);
    QVERIFY(pid.open(QIODevice::ReadOnly));
    const QString proc = QStringLiteral("/proc/") + QString::fromUtf8(pid.readAll().trimmed());
    QVERIFY(QFileInfo::exists(proc));
    QElapsedTimer clock;
    clock.start();
    window.reset();
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY(!QFileInfo::exists(proc));
}

namespace {

int writeThumbnailCount = 0;

void writeThumbnail(const QString &file, QColor colour)
{
    QImage picture(QSize(81, 60), QImage::Format_RGB32);
    picture.fill(colour);
    QVERIFY(picture.save(file, "JPG"));
    // Later than anything written in this second, whatever the file system's time resolution.
    QFile stamp(file);
    QVERIFY(stamp.open(QIODevice::ReadWrite));
    QVERIFY(stamp.setFileTime(QDateTime::currentDateTime().addSecs(++writeThumbnailCount),
                              QFileDevice::FileModificationTime));
}

// Colour in the middle of a shown thumbnail (JPEG is lossy: compare roughly).
QColor middleColour(FileInfoWidget *row)
{
    const QImage shown = row->iconLabel()->pixmap(Qt::ReturnByValue).toImage();
    return shown.pixelColor(shown.width() / 2, shown.height() / 2);
}

bool isRed(QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }
// What a tooltip shows: Qt renders it as rich text when it looks like markup.
QString shownToolTip(const QWidget *widget)
{
    QTextDocument doc;
    if (Qt::mightBeRichText(widget->toolTip()))
        doc.setHtml(widget->toolTip());
    else
        doc.setPlainText(widget->toolTip());
    return doc.toPlainText();
}

bool isBlue(QColor c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; }

} // namespace

void TestVideoLibrary::rebuildsShowEachRowsCurrentThumbnail()
{
    writeThumbnail(thumbOf(QStringLiteral("/v/red.mp4")), Qt::red);
    writeThumbnail(thumbOf(QStringLiteral("/v/blue.mp4")), Qt::blue);
    QFile::remove(thumbOf(QStringLiteral("/v/plain.mp4")));
    for (const char *name : {"blue.mp4", "plain.mp4", "red.mp4"})
        lib->onUiThread(QStringLiteral("/v/") + QLatin1String(name), QString(), QLatin1String(name));
    lib->refreshVideoList();
    QVERIFY(isBlue(middleColour(rowWidget(0))));
    QCOMPARE(rowWidget(1)->iconLabel()->pixmap(Qt::ReturnByValue).toImage(), defaultPicture);
    QVERIFY(isRed(middleColour(rowWidget(2))));

    // Descending: every row shows its own file's picture, the default one included.
    lib->sortVideoList(1);
    lib->refreshVideoList();
    QCOMPARE(rowNames(), QStringList({"red.mp4", "plain.mp4", "blue.mp4"}));
    QCOMPARE(rowPaths(), QStringList({"/v/red.mp4", "/v/plain.mp4", "/v/blue.mp4"}));
    QVERIFY(isRed(middleColour(rowWidget(0))));
    QCOMPARE(rowWidget(1)->iconLabel()->pixmap(Qt::ReturnByValue).toImage(), defaultPicture);
    QVERIFY(isBlue(middleColour(rowWidget(2))));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rowWidget(i)->deleteButton()->objectName(), lib->beans().at(i).filePath);
        QCOMPARE(shownToolTip(rowWidget(i)), lib->beans().at(i).filePath);
    }

    // The thumbnail program rewrote one picture and removed another: the next rebuild shows
    // the new picture and the default one, not what was read before.
    writeThumbnail(thumbOf(QStringLiteral("/v/red.mp4")), Qt::blue);
    QVERIFY(QFile::remove(thumbOf(QStringLiteral("/v/blue.mp4"))));
    lib->refreshVideoList();
    QVERIFY(isBlue(middleColour(rowWidget(0))));
    QCOMPARE(rowWidget(2)->iconLabel()->pixmap(Qt::ReturnByValue).toImage(), defaultPicture);
}

void TestVideoLibrary::rebuildAfterFilesWentKeepsRowsWorking()
{
    const QString dir = tmp.filePath(QStringLiteral("went"));
    QDir().mkpath(dir);
    QStringList paths;
    for (const char *name : {"k1.mp4", "k2.mp4", "k3.mp4", "k4.mp4"}) {
        paths.append(dir + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(QFile::copy(clip("c.mp4"), paths.last()));
        lib->onUiThread(paths.last(), QString(), QLatin1String(name));
    }
    FileListItem().saveFileList(lib->beans());
    lib->setCurrentFile(lib->beans().at(3));
    lib->refreshVideoList();
    QCOMPARE(list->currentRow(), 3);

    // Two files gone while listed: the window restores and rebuilds on the same list.
    QVERIFY(QFile::remove(paths.at(0)));
    QVERIFY(QFile::remove(paths.at(2)));
    lib->restoreVideoList();
    lib->refreshVideoList();
    QCOMPARE(list->count(), 2);
    QCOMPARE(rowNames(), QStringList({"k2.mp4", "k4.mp4"}));
    QCOMPARE(rowPaths(), QStringList({paths.at(1), paths.at(3)}));
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(list->selectedItems().size(), 1);

    // A library started anew on the list rebuilds it with rows that still answer their delete
    // buttons.
    lib.reset();
    lib = makeLibrary();
    lib->restoreVideoList();
    lib->refreshVideoList();
    QCOMPARE(list->currentRow(), -1);
    QVERIFY(list->selectedItems().isEmpty());
    rowWidget(0)->deleteButton()->click();
    QCOMPARE(rowNames(), QStringList({"k4.mp4"}));
    QCOMPARE(FileListItem().loadFileList(), lib->beans());

    // And grows again: the added row is built and filled.
    QVERIFY(QFile::copy(clip("c.mp4"), paths.at(0)));
    lib->onUiThread(paths.at(0), QString(), QStringLiteral("k1.mp4"));
    lib->sortVideoList(0);
    lib->refreshVideoList();
    QCOMPARE(rowNames(), QStringList({"k1.mp4", "k4.mp4"}));
    QCOMPARE(rowPaths(), QStringList({paths.at(0), paths.at(3)}));
    QCOMPARE(list->item(1)->sizeHint(), QSize(120, rowWidget(1)->height()));
}

void TestVideoLibrary::htmlLikeNamesShowLiterally()
{
    // Rows as the worker hands them over ("<b>x</b>" cannot be a file name on Linux, but a
    // saved list or another platform's name may carry it).
    const QString dir = QStringLiteral("/media/<i>cards</i> & co");
    const QStringList names{QStringLiteral("<b>x</b>.mp4"), QStringLiteral("<img src=x>.mp4"),
                            QStringLiteral("a &amp; b.mp4")};
    for (const QString &name : names)
        lib->onUiThread(dir + QLatin1Char('/') + name, QStringLiteral("<u>2024</u>"), name);
    lib->refreshVideoList(); // rebuilt rows as well as freshly added ones
    lib->onUiThread(dir + QStringLiteral("/<s>late</s>.mp4"), QString(), QStringLiteral("<s>late</s>.mp4"));
    QCOMPARE(rowNames(), names + QStringList{QStringLiteral("<s>late</s>.mp4")});
    for (int i = 0; i < list->count(); ++i) {
        FileInfoWidget *row = rowWidget(i);
        QCOMPARE(row->fileNameLabel()->textFormat(), Qt::PlainText);
        QCOMPARE(row->fileDateLabel()->textFormat(), Qt::PlainText);
        QCOMPARE(shownToolTip(row), lib->beans().at(i).filePath);
        QVERIFY(lib->beans().at(i).filePath.contains(QLatin1String("<i>cards</i> & co/")));
    }
    // Drawn as text: the label draws exactly what it draws for the escaped name given as markup.
    for (int i = 0; i < 2; ++i) {
        QLabel *label = rowWidget(i)->fileNameLabel();
        const QImage drawn = label->grab().toImage();
        label->setTextFormat(Qt::RichText);
        label->setText(names.at(i).toHtmlEscaped());
        QCOMPARE(label->grab().toImage(), drawn);
        label->setText(names.at(i));
        QVERIFY(label->grab().toImage() != drawn); // and markup would have looked different
    }
}

void TestVideoLibrary::pathsAlreadyListedAreNotImportedAgain()
{
    QList<FileBean> listed;
    FileBean bean;
    bean.filePath = QStringLiteral("/v/a.mp4");
    listed << bean;
    QCOMPARE(pathsNotListed({"/v/a.mp4", "/v/./a.mp4", "/v/b.mp4", "/w/../v/b.mp4", "/v/c.mp4",
                             QString(), "/v/A.mp4", "/v/A.gps", "/v/A.3gf", "/v/GPSData000001.txt"},
                            listed),
             QStringList({"/v/b.mp4", "/v/c.mp4", "/v/A.mp4"}));

    // Through the real import: the second import of the same file only selects its row.
    QVERIFY(importAndWait({clip("a.mov"), clip("b.ts")}));
    QCOMPARE(rowNames(), QStringList({"a.mov", "b.ts"}));
    list->setCurrentRow(1);
    QVERIFY(importAndWait({clipDir + QStringLiteral("/./a.mov")}));
    QCOMPARE(rowNames(), QStringList({"a.mov", "b.ts"}));
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(FileListItem().loadFileList().size(), 2);
    QCOMPARE(lib->rowOfPath(clipDir + QStringLiteral("/x/../b.ts")), 1);
}

void TestVideoLibrary::entriesOnAnAbsentFolderStayHidden()
{
    const QString card = tmp.filePath(QStringLiteral("card"));
    const QString unplugged = tmp.filePath(QStringLiteral("card-unplugged"));
    QVERIFY(QDir().mkpath(card));
    QFile onCard(card + QStringLiteral("/y.mp4"));
    QVERIFY(onCard.open(QIODevice::WriteOnly));
    onCard.close();
    auto bean = [](const QString &path) {
        FileBean b;
        b.filePath = path;
        b.fileName = QFileInfo(path).fileName();
        return b;
    };
    const QList<FileBean> saved{bean(clip("a.mov")), bean(tmp.filePath("deleted.mp4")),
                                bean(QStringLiteral("/media/nocard/x.mp4")),
                                bean(card + QStringLiteral("/y.mp4"))};
    QCOMPARE(entryPresence(saved.at(0).filePath), EntryPresence::Present);
    QCOMPARE(entryPresence(saved.at(1).filePath), EntryPresence::FileGone);
    QCOMPARE(entryPresence(saved.at(2).filePath), EntryPresence::FolderAbsent);
    FileListItem().saveFileList(saved);

    // The card is out at start: its entry is hidden, kept in the saved list; the deleted file
    // (its folder is there) goes as before.
    QVERIFY(QDir().rename(card, unplugged));
    lib->restoreVideoList();
    lib->refreshVideoList();
    QCOMPARE(rowNames(), QStringList({"a.mov"}));
    QCOMPARE(lib->hiddenEntries(), (QList<FileBean>{saved.at(2), saved.at(3)}));
    QCOMPARE(FileListItem().loadFileList(), (QList<FileBean>{saved.at(0), saved.at(2), saved.at(3)}));
    // Changes to the list keep them too.
    lib->onUiThread(clip("b.ts"), QString(), QStringLiteral("b.ts"));
    lib->sortVideoOnClick();
    QCOMPARE(FileListItem().loadFileList().size(), 4);

    // The card is back: so is its entry, at the next restore.
    QVERIFY(QDir().rename(unplugged, card));
    lib->restoreVideoList();
    lib->refreshVideoList();
    QVERIFY(rowNames().contains(QStringLiteral("y.mp4")));
    QCOMPARE(lib->hiddenEntries(), QList<FileBean>{saved.at(2)});

    // Delete all means all.
    BoxAnswerer yes(VideoLibrary::deleteAllBoxName, QMessageBox::Yes);
    lib->removeVideoOnClick();
    QVERIFY(lib->hiddenEntries().isEmpty());
    QVERIFY(FileListItem().loadFileList().isEmpty());
}

void TestVideoLibrary::rowsAreSavedDuringAnImport()
{
    // Each file's thumbnail program runs until the test lets it end (the input path is its
    // second argument). Two rows come at once, then the import hangs on the third file's
    // thumbnail as on a bad file of a card.
    QVERIFY(putProgramOnPath("#!/bin/sh\nwhile [ ! -e \"$2.go\" ]; do sleep 0.02; done\n"));
    QVERIFY(QDir().mkpath(tmp.filePath(QStringLiteral("during"))));
    auto release = [](const QString &path) {
        QFile go(path + QStringLiteral(".go"));
        return go.open(QIODevice::WriteOnly);
    };
    QSignalSpy done(lib.get(), &VideoLibrary::importFinished);
    QStringList paths;
    for (int i = 0; i < 4; ++i)
        paths << tmp.filePath(QStringLiteral("during/file%1.mp4").arg(i));
    QVERIFY(release(paths.at(0)) && release(paths.at(1)));
    lib->addPaths(paths);
    // Both saved while the import still runs, the second too although it came right after the
    // first: a crash now would keep these rows.
    QTRY_COMPARE_WITH_TIMEOUT(FileListItem().loadFileList().size(), 2, 20000);
    QVERIFY(!lib->isImportOpen());
    QVERIFY(done.isEmpty());
    QVERIFY(release(paths.at(2)) && release(paths.at(3)));
    QVERIFY(done.wait(60000));
    QCOMPARE(FileListItem().loadFileList().size(), 4);
}

void TestVideoLibrary::failedSaveIsToldAndKeepsTheList()
{
    const QString conf = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                   SettingsStore::organization, SettingsStore::application)
                             .fileName();
    QSignalSpy failed(lib.get(), &VideoLibrary::saveFailed);
    lib->onUiThread(clip("a.mov"), QString(), QStringLiteral("a.mov"));
    lib->refreshVideoList();
    QCOMPARE(failed.count(), 0);
    // A settings file that cannot be written (a folder in its place; the tests run as root,
    // for whom permissions block nothing).
    QVERIFY(QFile::rename(conf, conf + QStringLiteral(".away")));
    QVERIFY(QDir().mkpath(conf));
    lib->onUiThread(clip("b.ts"), QString(), QStringLiteral("b.ts"));
    lib->refreshVideoList();
    QCOMPARE(failed.count(), 1);
    QVERIFY(!failed.first().first().toString().isEmpty());
    lib->sortVideoOnClick();
    QCOMPARE(failed.count(), 1); // told once, not at every change
    QCOMPARE(rowNames().size(), 2);
    // A restore in between takes the list in memory, not the stale store.
    lib->restoreVideoList();
    QCOMPARE(lib->beans().size(), 2);

    // The disk is writable again: the next save writes the whole list.
    QVERIFY(QDir(conf).removeRecursively());
    QVERIFY(QFile::rename(conf + QStringLiteral(".away"), conf));
    lib->refreshVideoList();
    QCOMPARE(FileListItem().loadFileList(), lib->beans());
    QCOMPARE(lib->beans().size(), 2);
}

void TestVideoLibrary::picturesMissingAtStartAreMadeAgain()
{
    // A list saved by an older version: its pictures were named by the file name alone and are
    // not taken for these files (another card's 0001.MP4 may have made them).
    FileBean a = FileOper::makeFileBean(clip("a.mov"));
    FileBean b = FileOper::makeFileBean(clip("b.ts"));
    FileListItem().saveFileList({a, b});
    writeThumbnail(thumbDir + QStringLiteral("a.jpg"), Qt::red);
    QFile::remove(thumbOf(a.filePath)); // made by an earlier import of this test run
    QFile::remove(thumbOf(b.filePath));
    lib->restoreVideoList();
    lib->refreshVideoList();
    // Made again in the background; the rows show them once they are there.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(thumbOf(a.filePath)) && QFileInfo::exists(thumbOf(b.filePath)), 30000);
    QTRY_COMPARE(rowWidget(0)->iconLabel()->pixmap(Qt::ReturnByValue).size(), QSize(81, 60));
    QVERIFY(!isRed(middleColour(rowWidget(0))));
    QCOMPARE(rowWidget(1)->iconLabel()->pixmap(Qt::ReturnByValue).size(), QSize(81, 60));
    QVERIFY(lib->isImportOpen()); // the list stays usable meanwhile
}

void TestVideoLibrary::previousAndNextRows()
{
    QCOMPARE(neighbourRow(2, 5, 1), 3);
    QCOMPARE(neighbourRow(2, 5, -1), 1);
    QCOMPARE(neighbourRow(4, 5, 1), -1);  // no wrap at the end
    QCOMPARE(neighbourRow(0, 5, -1), -1); // nor at the start
    QCOMPARE(neighbourRow(-1, 5, 1), -1); // nothing opened yet
    QCOMPARE(neighbourRow(3, 3, -1), -1); // the list shrank under the opened row
    QCOMPARE(neighbourRow(0, 0, 1), -1);
}

void TestVideoLibrary::rowShowsTheRecordingTimeOfTheName()
{
    FileBean named;
    named.fileName = QStringLiteral("NO20230401-235958-000123F.MP4");
    named.fileDate = QStringLiteral("2024-05-05 10:00:00"); // the copy's time, not the drive's
    QCOMPARE(rowDateText(named), QStringLiteral("2023-04-01 23:59:58"));
    FileBean plain = named;
    plain.fileName = QStringLiteral("holiday.mp4");
    QCOMPARE(rowDateText(plain), plain.fileDate);
}

QTEST_MAIN(TestVideoLibrary)
#include "test_videolibrary.moc"
