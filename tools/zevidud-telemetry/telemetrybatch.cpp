#include "telemetrybatch.h"

#include "bytesource.h"
#include "drivegrouping.h"
#include "recordingtime.h"
#include "mp4v2parsefile.h"
#include "telemetryloader.h"
#include "telemetryoutput.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRunnable>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ZevidudTelemetry", text);
}

// Lines from several threads: each goes out whole and at once.
QMutex g_errLock;

void errLine(const QString &line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toLocal8Bit();
    QMutexLocker lock(&g_errLock);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void writeStdout(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

struct Item
{
    QString path;
    QString error;          // why the recording could not be read
    QString writeError;     // why its output could not be written
    TelemetryLoad load;
    LibraryEntry entry;
    int samples = 0;
    int positions = 0;
    QByteArray text;        // sample table for standard output
};

QString outputPath(const QString &dir, const QString &recording, RouteFormat format)
{
    return QDir(dir).filePath(QFileInfo(recording).completeBaseName() + QLatin1Char('.')
                              + routeFileSuffix(format));
}

// The camera's clock for points without GPS time: from the file name only, never from the
// file's modification time.
QDateTime startOf(const Item &item)
{
    return recordingTimeFromName(QFileInfo(item.path).fileName());
}

RouteTrack trackOf(const Item &item)
{
    return RouteTrack{QFileInfo(item.path).fileName(), startOf(item), item.load.samples};
}

// The clips of a drive as one track: sample times move to the drive's first start.
RouteTrack driveTrack(const std::vector<Item> &items, const QList<int> &drive)
{
    const Item &first = items[size_t(drive.first())];
    RouteTrack track{QFileInfo(first.path).fileName(), startOf(first), {}};
    for (int index : drive) {
        const Item &item = items[size_t(index)];
        const qint64 shift = item.entry.startMs - first.entry.startMs;
        for (AssistInfo s : item.load.samples) {
            if (s.timeMs >= 0)
                s.timeMs += shift;
            track.samples.append(s);
        }
    }
    return track;
}

void loadOne(Item &item, const BatchOptions &options)
{
    // Only regular files: a FIFO or a device is refused without waiting on it.
    ByteSource src(item.path);
    if (!src.isOpen()) {
        item.error = tr("cannot open: %1").arg(src.errorString());
        return;
    }
    mp4v2ParseFile mp4Reader;
    item.load = loadTelemetry(src, &mp4Reader, item.path);
    if (!item.load.error.isEmpty()) {
        item.error = item.load.error;
        return;
    }
    item.samples = item.load.samples.size();
    for (const AssistInfo &s : item.load.samples)
        item.positions += hasPosition(s) ? 1 : 0;
    if (!options.routeWanted) {
        item.text = formatSamplesText(item.load.layoutCode, item.load.gpsLength,
                                      item.load.samples);
        item.load.samples.clear();
        return;
    }
    item.entry = libraryEntryOf(item.path);
    if (!options.outputDir.isEmpty() && !options.merge) {
        const QString out = outputPath(options.outputDir, item.path, options.format);
        if (!writeRouteFile(out, options.format, {trackOf(item)}, &item.writeError))
            item.writeError = tr("cannot write %1: %2").arg(out, item.writeError);
        item.load.samples.clear(); // written: a folder of thousands need not stay in memory
    }
}

QString progressLine(const Item &item, const BatchOptions &options)
{
    if (!item.error.isEmpty())
        return tr("%1: error: %2").arg(item.path, item.error);
    QString line = tr("%1: layout %2 (%3), %4 samples, %5 positions")
                       .arg(item.path)
                       .arg(item.load.layoutCode)
                       .arg(item.load.layoutName)
                       .arg(item.samples)
                       .arg(item.positions);
    if (!item.writeError.isEmpty())
        line += tr(", error: %1").arg(item.writeError);
    else if (options.routeWanted && !options.outputDir.isEmpty() && !options.merge)
        line += QStringLiteral(" -> ")
                + outputPath(options.outputDir, item.path, options.format);
    return line;
}

// Two outputs of one name would leave only the last: refused before anything is read.
bool outputNamesClash(const QStringList &recordings, const BatchOptions &options)
{
    if (options.outputDir.isEmpty() || options.merge)
        return false;
    QHash<QString, QString> byOutput;
    for (const QString &path : recordings) {
        const QString out = outputPath(options.outputDir, path, options.format);
        const auto it = byOutput.constFind(out);
        if (it != byOutput.constEnd()) {
            errLine(tr("zevidud-telemetry: %1 and %2 would both be written to %3")
                        .arg(it.value(), path, out));
            return true;
        }
        byOutput.insert(out, path);
    }
    return false;
}

// The output folder exists (made when missing) and takes files; false with a message otherwise.
bool prepareOutputDir(const QString &dir)
{
    const QFileInfo info(dir);
    if (info.exists() && !info.isDir()) {
        errLine(tr("zevidud-telemetry: output folder %1 is not a folder").arg(dir));
        return false;
    }
    if (!info.exists() && !QDir().mkpath(dir)) {
        errLine(tr("zevidud-telemetry: cannot create output folder %1").arg(dir));
        return false;
    }
    if (::access(QFile::encodeName(dir).constData(), W_OK | X_OK) != 0) {
        errLine(tr("zevidud-telemetry: output folder %1 is not writable").arg(dir));
        return false;
    }
    return true;
}

} // namespace

QStringList recordingExtensions()
{
    return {QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("ts"),
            QStringLiteral("m4a"), QStringLiteral("mkv")};
}

QStringList collectRecordings(const QStringList &arguments, bool recursive,
                              QStringList *emptyFolders)
{
    const QStringList extensions = recordingExtensions();
    QStringList result;
    QSet<QString> seen;
    const auto add = [&](const QString &path) {
        const QString key = QFileInfo(path).absoluteFilePath();
        if (!seen.contains(key)) {
            seen.insert(key);
            result.append(path);
        }
    };
    for (const QString &argument : arguments) {
        if (!QFileInfo(argument).isDir()) {
            add(argument);
            continue;
        }
        // QDir::Files without QDir::System leaves FIFOs, sockets and devices out.
        QDirIterator it(argument, QDir::Files | QDir::Hidden,
                        recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
        QStringList found;
        while (it.hasNext()) {
            const QString path = it.next();
            if (extensions.contains(it.fileInfo().suffix().toLower()))
                found.append(path);
        }
        found.sort();
        if (found.isEmpty() && emptyFolders != nullptr)
            emptyFolders->append(argument);
        for (const QString &path : found)
            add(path);
    }
    return result;
}

int runBatch(const QStringList &recordings, const BatchOptions &options)
{
    if (outputNamesClash(recordings, options))
        return 2;
    if (!options.outputDir.isEmpty() && !prepareOutputDir(options.outputDir))
        return 1;

    QElapsedTimer timer;
    timer.start();
    const quint64 bytesBefore = ByteSource::totalBytesRead();
    std::vector<Item> items(size_t(recordings.size()));
    {
        QThreadPool pool;
        pool.setMaxThreadCount(options.threads > 0 ? options.threads
                                                   : QThread::idealThreadCount());
        for (int i = 0; i < recordings.size(); ++i) {
            Item *item = &items[size_t(i)];
            item->path = recordings.at(i);
            pool.start(QRunnable::create([item, &options] {
                loadOne(*item, options);
                errLine(progressLine(*item, options));
            }));
        }
        pool.waitForDone();
    }

    bool allGood = true;
    for (const Item &item : items)
        allGood = allGood && item.error.isEmpty() && item.writeError.isEmpty();

    if (!options.routeWanted) {
        // One header line per recording, then its table as the tool prints it for one file.
        for (const Item &item : items) {
            if (!item.error.isEmpty())
                continue;
            writeStdout(QStringLiteral("# file %1\n").arg(item.path).toUtf8());
            writeStdout(item.text);
        }
    } else if (options.merge || options.outputDir.isEmpty()) {
        QList<int> readable;
        QList<LibraryEntry> entries;
        for (int i = 0; i < int(items.size()); ++i) {
            if (items[size_t(i)].error.isEmpty()) {
                readable.append(i);
                entries.append(items[size_t(i)].entry);
            }
        }
        QList<QList<int>> groups;
        if (options.merge) {
            for (const QList<int> &drive : groupDrives(entries)) {
                QList<int> group;
                for (int e : drive)
                    group.append(readable.at(e));
                groups.append(group);
            }
        } else {
            for (int i : readable)
                groups.append({i});
        }
        QList<RouteTrack> tracks;
        QSet<QString> written;
        for (const QList<int> &group : groups) {
            const RouteTrack track = driveTrack(items, group);
            if (options.outputDir.isEmpty()) {
                tracks.append(track);
                continue;
            }
            const QString out =
                outputPath(options.outputDir, items[size_t(group.first())].path, options.format);
            int positions = 0;
            for (int i : group)
                positions += items[size_t(i)].positions;
            QString message;
            if (written.contains(out)) {
                message = tr("another drive has the same name");
            } else if (writeRouteFile(out, options.format, {track}, &message)) {
                written.insert(out);
                errLine(tr("drive of %1: %2 recordings, %3 positions -> %4")
                            .arg(items[size_t(group.first())].path)
                            .arg(group.size())
                            .arg(positions)
                            .arg(out));
                continue;
            }
            allGood = false;
            errLine(tr("drive of %1: error: cannot write %2: %3")
                        .arg(items[size_t(group.first())].path, out, message));
        }
        if (options.outputDir.isEmpty())
            writeStdout(formatRoute(options.format, tracks));
    }
    std::fflush(stdout);

    if (options.stats)
        errLine(QStringLiteral("# read %1 bytes of %2 files in %3 ms")
                    .arg(ByteSource::totalBytesRead() - bytesBefore)
                    .arg(items.size())
                    .arg(timer.elapsed()));
    return allGood ? 0 : 1;
}
