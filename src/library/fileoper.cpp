#include "fileoper.h"

#include "logtext.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

FileOper::FileOper(QObject *parent) : QThread(parent) {}

FileOper::~FileOper()
{
    // Destroying a running QThread aborts the program; stop the import at the next file.
    requestInterruption();
    wait();
}

QString FileOper::thumbnailFileFor(const QString &thumbnailFolder, const QString &filePath)
{
    // Cameras name every card's files alike ("0001.MP4" in each folder): the name alone would
    // make two recordings share a picture, so a short hash of the whole path follows it.
    const QString absolute = QDir::cleanPath(QFileInfo(filePath).absoluteFilePath());
    const QByteArray hash =
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex().left(10);
    const QString stem = QFileInfo(filePath).fileName().split(QLatin1Char('.')).first();
    return thumbnailFolder + stem + QLatin1Char('_') + QString::fromLatin1(hash)
           + QStringLiteral(".jpg");
}

QString FileOper::thumbnailProgram()
{
    const QString name = QStringLiteral("ffmpeg");
    // An ffmpeg installed with the player comes first. A folder of recordings (a camera card, a
    // download) may hold a program of the same name: the working folder is never searched, and
    // PATH only by its absolute entries ("." or an empty entry would mean the working folder).
    const QString beside = QCoreApplication::applicationDirPath();
    if (!beside.isEmpty()) {
        const QString found = QStandardPaths::findExecutable(name, {beside});
        if (!found.isEmpty())
            return found;
    }
    QStringList folders;
    const QString path = qEnvironmentVariable("PATH");
    for (const QString &folder : path.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder))
            folders << folder;
    }
    if (folders.isEmpty())
        return QString();
    return QStandardPaths::findExecutable(name, folders);
}

FileBean FileOper::makeFileBean(const QString &path)
{
    const QFileInfo info(path);
    // Most Linux file systems report a birth time through statx; where they do not, the
    // modification time is the closest stand-in (cameras and copies keep it).
    QDateTime created = info.birthTime();
    if (!created.isValid())
        created = info.lastModified();
    FileBean bean;
    bean.fileName = info.fileName();
    bean.filePath = info.filePath();
    bean.fileDate = created.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return bean;
}

void FileOper::makeThumbnail(const QString &inputPath, const QString &outputPath)
{
    const QStringList args{QStringLiteral("-i"), inputPath,          QStringLiteral("-y"),
                           QStringLiteral("-f"), QStringLiteral("image2"), QStringLiteral("-t"),
                           QStringLiteral("0.001"), QStringLiteral("-s"), QStringLiteral("81x60"),
                           outputPath};
    qDebug().noquote() << QStringLiteral("cmd:") + printableText(args.join(QLatin1Char(' ')));

    QProcess process;
    // ffmpeg's console chatter is never read; discarding it keeps a noisy file from piling up
    // output in our buffers while we wait.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // The process lives on this thread; the worker object lives on the GUI thread, so the exit
    // code is posted there (QProcess::ExitStatus cannot be queued as it is).
    connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished),
            [this](int exitCode, QProcess::ExitStatus) {
                QMetaObject::invokeMethod(
                    this, [this, exitCode] { thumbnailFinished(exitCode); },
                    Qt::QueuedConnection);
            });
    const QString program = thumbnailProgram();
    if (program.isEmpty())
        return;
    process.start(program, args, QIODevice::ReadWrite);
    if (!process.waitForStarted())
        return;

    // Wait in slices so a closing window does not sit out a stuck ffmpeg.
    QElapsedTimer clock;
    clock.start();
    while (!process.waitForFinished(100)) {
        if (process.state() == QProcess::NotRunning)
            return;
        if (clock.elapsed() >= thumbnailLimitMs || isInterruptionRequested())
            break;
    }
    if (process.state() != QProcess::NotRunning) {
        // Nothing may outlive the wait: an orphaned ffmpeg would keep writing a thumbnail
        // behind our back and hold the input file open.
        process.kill();
        process.waitForFinished(5000);
    }
}

void FileOper::thumbnailFinished(int value)
{
    qDebug() << "thumbnailFinished:" << value;
    emit thumbnailLoadFinished(value);
}

bool FileOper::waitForRowCredit()
{
    if (rowWindow <= 0)
        return true;
    while (!rowCredits.tryAcquire(1, 100)) {
        if (isInterruptionRequested())
            return false;
    }
    return true;
}

void FileOper::run()
{
    const QStringList paths = filePaths;
    // Every row of the previous import was handled before this one could start: begin with a
    // full window.
    rowCredits.tryAcquire(rowCredits.available());
    rowCredits.release(qMax(0, rowWindow));
    for (const QString &path : paths) {
        if (isInterruptionRequested())
            break;
        qDebug().noquote() << QStringLiteral("path=") + printableText(path);
        const QString thumbnail =
            thumbnailFileFor(settings.readValue(QStringLiteral("thumbnailPath")), path);
        if (onlyThumbnails) {
            if (!QFileInfo::exists(thumbnail) && QFileInfo(path).isFile())
                makeThumbnail(path, thumbnail);
            continue;
        }
        const FileBean bean = makeFileBean(path);
        emit addOneFileFinished(bean);
        if (!QFileInfo::exists(thumbnail))
            makeThumbnail(path, thumbnail);
        if (!waitForRowCredit())
            break;
        emit runOnUiThread(bean.filePath, bean.fileDate, bean.fileName);
    }
    emit fileOperFileFinished();
}
