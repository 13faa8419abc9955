#include "atomicwrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RouteExport", text);
}

bool fail(WriteFailure kind, const QString &text, QString *message, WriteFailure *failure)
{
    if (message != nullptr)
        *message = text;
    if (failure != nullptr)
        *failure = kind;
    return false;
}

// ENOSPC reaches QFile as a ResourceError, but some file systems only report a short write; the
// free space of the folder tells the two apart from other write errors.
bool looksFull(const QSaveFile &file, const QString &folder, qint64 needed)
{
    if (file.error() == QFileDevice::ResourceError)
        return true;
    const QStorageInfo storage(folder);
    return storage.isValid() && storage.bytesAvailable() < needed;
}

} // namespace

bool writeWholeFile(const QString &path, const QByteArray &data, QString *message,
                    WriteFailure *failure)
{
    const QFileInfo info(path);
    const QString folder = QDir::toNativeSeparators(info.absolutePath());
    if (!info.absoluteDir().exists())
        return fail(WriteFailure::FolderMissing, tr("The folder %1 does not exist.").arg(folder),
                    message, failure);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(WriteFailure::FolderUnwritable,
                    tr("Cannot write into the folder %1: %2").arg(folder, file.errorString()),
                    message, failure);
    // Qt 5.15's QSaveFile, writing through an unnamed temporary (O_TMPFILE), commits even when
    // its final flush failed and leaves an empty file in place of the old one: flushing here
    // first catches the full disk while the old file is still there.
    const bool flushed = file.write(data) == data.size() && file.flush();
    if (!flushed || !file.commit()) {
        const bool full = looksFull(file, info.absolutePath(), data.size());
        const QString reason = file.errorString();
        if (!flushed)
            file.cancelWriting(); // the destructor then drops the temporary
        if (full)
            return fail(WriteFailure::DiskFull,
                        tr("The disk holding %1 is full; nothing was written.").arg(folder),
                        message, failure);
        return fail(WriteFailure::WriteError,
                    tr("Writing %1 failed: %2").arg(QDir::toNativeSeparators(path), reason),
                    message, failure);
    }
    if (failure != nullptr)
        *failure = WriteFailure::None;
    return true;
}
