#include "incidentclipjob.h"

#include "atomicwrite.h"
#include "routeexport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QtMath>
#include <cstdio>

namespace {

// Enough of ffmpeg's error output to explain a failure; it is never shown whole.
constexpr int kErrorTailBytes = 4096;
constexpr int kKillWaitMs = 10000;

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 3);
}

// ffmpeg runs in the clip's folder, and reads "name:rest" as a protocol: an absolute path behind
// "file:" is taken as it is whatever it contains.
QString fileUrl(const QString &path)
{
    return QStringLiteral("file:") + QFileInfo(path).absoluteFilePath();
}

int gridColumns(int channels)
{
    return qMax(1, int(qCeil(qSqrt(double(channels)))));
}

QString siblingPath(const QString &clipPath, const QString &suffix)
{
    const QFileInfo info(clipPath);
    return info.dir().filePath(info.completeBaseName() + suffix);
}

QStringList uniqueSources(const IncidentClipRequest &request)
{
    QStringList files;
    for (const ClipChannel &channel : request.channels)
        for (const ClipPiece &piece : channel.pieces)
            if (!files.contains(piece.file))
                files << piece.file;
    return files;
}

bool validRequest(const IncidentClipRequest &r)
{
    if (r.outputPath.isEmpty() || r.channels.isEmpty() || r.spanEndMs <= r.spanStartMs || r.fps <= 0
        || r.fps > 240 || r.cellSize.width() < 2 || r.cellSize.height() < 2
        || r.cellSize.width() % 2 != 0 || r.cellSize.height() % 2 != 0)
        return false;
    // Every channel has to fill the span; a frame of slack covers rounding of clip boundaries.
    const qint64 span = r.spanEndMs - r.spanStartMs;
    for (const ClipChannel &channel : r.channels) {
        if (channel.pieces.isEmpty())
            return false;
        qint64 covered = 0;
        for (const ClipPiece &piece : channel.pieces) {
            if (piece.file.isEmpty() || piece.fromMs < 0 || piece.toMs <= piece.fromMs)
                return false;
            covered += piece.toMs - piece.fromMs;
        }
        if (qAbs(covered - span) > 1000 / r.fps + 1)
            return false;
    }
    return true;
}

} // namespace

QString clipLayoutName(ClipLayout layout)
{
    return layout == ClipLayout::Grid ? QStringLiteral("grid") : QStringLiteral("side-by-side");
}

QSize composedFrameSize(const IncidentClipRequest &request)
{
    const int n = qMax(1, request.channels.size());
    if (request.layout == ClipLayout::SideBySide)
        return QSize(request.cellSize.width() * n, request.cellSize.height());
    const int columns = gridColumns(n);
    const int rows = (n + columns - 1) / columns;
    return QSize(request.cellSize.width() * columns, request.cellSize.height() * rows);
}

QString escapeFilterValue(const QString &text)
{
    // First the option level (key=value pairs split at ':'), then the graph level (filters split
    // at ',' and ';', labels in brackets); each level strips one backslash.
    QString optionLevel;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('\'') || c == QLatin1Char(':'))
            optionLevel += QLatin1Char('\\');
        optionLevel += c;
    }
    QString graphLevel;
    for (const QChar c : optionLevel) {
        if (QStringLiteral("\\'[],;").contains(c))
            graphLevel += QLatin1Char('\\');
        graphLevel += c;
    }
    return graphLevel;
}

QStringList incidentClipArguments(const IncidentClipRequest &request, const QString &assFile,
                                  const QString &outputFile)
{
    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                     QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")};
    const int w = request.cellSize.width();
    const int h = request.cellSize.height();
    // Every piece is fitted into the cell, given square pixels and the output rate, so pieces of
    // different cameras and sizes concatenate and stack.
    const QString fit = QStringLiteral("scale=%1:%2:force_original_aspect_ratio=decrease,"
                                       "pad=%1:%2:(ow-iw)/2:(oh-ih)/2,setsar=1,fps=%3,"
                                       "format=yuv420p")
                            .arg(w)
                            .arg(h)
                            .arg(request.fps);
    QStringList graph;
    int input = 0;
    for (int c = 0; c < request.channels.size(); ++c) {
        const QList<ClipPiece> &pieces = request.channels.at(c).pieces;
        QString concatInputs;
        for (int p = 0; p < pieces.size(); ++p, ++input) {
            const ClipPiece &piece = pieces.at(p);
            // Input seeking decodes from the keyframe before and drops frames up to the
            // position, so the piece starts on the exact frame.
            args << QStringLiteral("-ss") << seconds(piece.fromMs) << QStringLiteral("-t")
                 << seconds(piece.toMs - piece.fromMs) << QStringLiteral("-i")
                 << fileUrl(piece.file);
            const QString label = pieces.size() == 1 ? QStringLiteral("c%1").arg(c)
                                                     : QStringLiteral("c%1p%2").arg(c).arg(p);
            graph << QStringLiteral("[%1:v]%2[%3]").arg(input).arg(fit, label);
            concatInputs += QLatin1Char('[') + label + QLatin1Char(']');
        }
        if (pieces.size() > 1)
            graph << QStringLiteral("%1concat=n=%2:v=1:a=0[c%3]")
                         .arg(concatInputs)
                         .arg(pieces.size())
                         .arg(c);
    }
    const int n = request.channels.size();
    QString stackInputs;
    for (int c = 0; c < n; ++c)
        stackInputs += QStringLiteral("[c%1]").arg(c);
    QString composed = stackInputs;
    if (n > 1 && request.layout == ClipLayout::SideBySide) {
        composed = stackInputs + QStringLiteral("hstack=inputs=%1,").arg(n);
    } else if (n > 1) {
        const int columns = gridColumns(n);
        QStringList cells;
        for (int c = 0; c < n; ++c)
            cells << QStringLiteral("%1_%2").arg(c % columns * w).arg(c / columns * h);
        composed = stackInputs
                   + QStringLiteral("xstack=inputs=%1:layout=%2:fill=black,")
                         .arg(n)
                         .arg(cells.join(QLatin1Char('|')));
    }
    graph << composed + QStringLiteral("ass=filename=%1[vout]").arg(escapeFilterValue(assFile));
    args << QStringLiteral("-filter_complex") << graph.join(QLatin1Char(';'))
         << QStringLiteral("-map") << QStringLiteral("[vout]") << QStringLiteral("-an")
         << QStringLiteral("-t") << seconds(request.spanEndMs - request.spanStartMs)
         << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
         << QStringLiteral("veryfast") << QStringLiteral("-crf") << QStringLiteral("20")
         << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p") << QStringLiteral("-movflags")
         << QStringLiteral("+faststart") << QStringLiteral("-progress") << QStringLiteral("pipe:1")
         << QStringLiteral("-nostats") << QStringLiteral("-f") << QStringLiteral("mp4")
         << fileUrl(outputFile);
    return args;
}

QString findFfmpegProgram()
{
    // A relative or empty PATH entry means the working folder, where a file named ffmpeg may be
    // anything (a recording's folder on a stick): only absolute entries are searched.
    QStringList folders;
    const QStringList entries =
        QString::fromLocal8Bit(qgetenv("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &entry : entries)
        if (QDir::isAbsolutePath(entry))
            folders << entry;
    if (folders.isEmpty())
        return QString(); // an empty list would make findExecutable search PATH as it is
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"), folders);
}

IncidentClipJob::IncidentClipJob(QObject *parent) : QObject(parent) {}

IncidentClipJob::~IncidentClipJob()
{
    if (m_state == State::Running) {
        stopWork();
        removeOutputs();
    }
    stopWork();
}

QString IncidentClipJob::gpxPath() const
{
    return siblingPath(m_request.outputPath, QStringLiteral(".gpx"));
}

QString IncidentClipJob::manifestPath() const
{
    return siblingPath(m_request.outputPath, QStringLiteral(".json"));
}

QString IncidentClipJob::subtitlePath() const
{
    return siblingPath(m_request.outputPath, QStringLiteral(".ass"));
}

bool IncidentClipJob::start(const IncidentClipRequest &request)
{
    if (m_state != State::Idle)
        return false;
    m_request = request;
    m_state = State::Running;
    if (!validRequest(request)) {
        fail(Error::InvalidRequest, tr("The clip to export is empty or malformed."));
        return false;
    }
    const QString program = findFfmpegProgram();
    if (program.isEmpty()) {
        fail(Error::FfmpegMissing,
             tr("The ffmpeg program was not found; install ffmpeg to export clips."));
        return false;
    }
    const QStringList sources = uniqueSources(request);
    for (const QString &file : sources) {
        if (!QFileInfo(file).isFile()) {
            fail(Error::SourceMissing,
                 tr("The recording %1 is no longer there.").arg(QDir::toNativeSeparators(file)));
            return false;
        }
    }

    const QByteArray script =
        buildIncidentSubtitles(request.samples, request.recordingStart, request.spanStartMs,
                               request.spanEndMs, request.speedUnit, composedFrameSize(request));
    QString message;
    WriteFailure failure = WriteFailure::None;
    if (!writeWholeFile(subtitlePath(), script, &message, &failure)) {
        fail(failure == WriteFailure::DiskFull ? Error::DiskFull : Error::FolderUnwritable,
             message);
        return false;
    }
    m_written << subtitlePath();

    const QFileInfo output(request.outputPath);
    m_partPath = output.absoluteFilePath() + QStringLiteral(".part");
    m_written << m_partPath;
    m_process = new QProcess(this);
    // ffmpeg runs in the clip's folder so the overlay is named without its folder path.
    m_process->setWorkingDirectory(output.absolutePath());
    m_process->setProgram(program);
    m_process->setArguments(
        incidentClipArguments(request, QFileInfo(subtitlePath()).fileName(), m_partPath));
    connect(m_process, &QProcess::readyReadStandardOutput, this, &IncidentClipJob::readProgress);
    connect(m_process, &QProcess::readyReadStandardError, this, &IncidentClipJob::readErrors);
    connect(m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &IncidentClipJob::ffmpegFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart && m_state == State::Running)
            fail(Error::FfmpegMissing,
                 tr("The ffmpeg program could not be started: %1").arg(m_process->errorString()));
    });
    m_process->start();
    if (m_state != State::Running)
        return false; // ffmpeg could not be started; fail() has reported it

    // Hashing the sources runs beside ffmpeg: both read the same files, the second from cache.
    m_hashes = std::make_shared<HashResult>();
    m_stopHashing = false;
    m_hashThread = std::thread([this, sources, result = m_hashes]() {
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        for (const QString &path : sources) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                result->missingFile = path;
                break;
            }
            QCryptographicHash hash(QCryptographicHash::Sha256);
            qint64 n = 0;
            while (!m_stopHashing && (n = file.read(buffer.data(), buffer.size())) > 0)
                hash.addData(buffer.constData(), int(n));
            if (m_stopHashing)
                return;
            if (n < 0) {
                result->missingFile = path;
                break;
            }
            result->files << path;
            result->digests << QString::fromLatin1(hash.result().toHex());
        }
        QMetaObject::invokeMethod(
            this, [this]() { hashesDone(); }, Qt::QueuedConnection);
    });
    return true;
}

void IncidentClipJob::cancel()
{
    if (m_state != State::Running)
        return;
    stopWork();
    removeOutputs();
    m_state = State::Cancelled;
    m_error = Error::None;
    m_errorString = tr("The export was cancelled.");
    emit finished(false);
}

void IncidentClipJob::readProgress()
{
    m_progressBuffer += m_process->readAllStandardOutput();
    const qint64 spanUs = (m_request.spanEndMs - m_request.spanStartMs) * 1000;
    int newline = -1;
    while ((newline = m_progressBuffer.indexOf('\n')) >= 0) {
        const QByteArray line = m_progressBuffer.left(newline).trimmed();
        m_progressBuffer.remove(0, newline + 1);
        if (!line.startsWith("out_time_us="))
            continue;
        bool ok = false;
        const qint64 us = line.mid(12).toLongLong(&ok);
        if (!ok || us < 0 || spanUs <= 0)
            continue;
        // 100 is kept for the moment everything beside the clip is written too.
        const int percent = int(qMin<qint64>(99, us * 100 / spanUs));
        if (percent != m_percent) {
            m_percent = percent;
            emit progressChanged(percent);
        }
    }
}

void IncidentClipJob::readErrors()
{
    m_errorTail += m_process->readAllStandardError();
    if (m_errorTail.size() > kErrorTailBytes)
        m_errorTail = m_errorTail.right(kErrorTailBytes);
}

void IncidentClipJob::ffmpegFinished(int exitCode, QProcess::ExitStatus status)
{
    if (m_state != State::Running)
        return;
    readErrors();
    // ffmpeg 5 still exits with 0 when the last writes of the file fail (a full disk while the
    // trailer is written); with -loglevel error its stderr names that.
    const bool writeFailed = m_errorTail.contains("No space left on device")
                             || m_errorTail.contains("Error writing trailer")
                             || m_errorTail.contains("Error closing file");
    if (status == QProcess::NormalExit && exitCode == 0 && !writeFailed) {
        m_ffmpegDone = true;
        finishIfDone();
        return;
    }
    const QString detail = QString::fromLocal8Bit(m_errorTail).trimmed();
    if (m_errorTail.contains("No space left on device")) {
        fail(Error::DiskFull,
             tr("The disk holding %1 is full; the clip was not written.")
                 .arg(QDir::toNativeSeparators(QFileInfo(m_request.outputPath).absolutePath())));
        return;
    }
    for (const QString &file : uniqueSources(m_request)) {
        if (!QFileInfo(file).isFile()) {
            fail(Error::SourceMissing,
                 tr("The recording %1 is no longer there.").arg(QDir::toNativeSeparators(file)));
            return;
        }
    }
    fail(Error::FfmpegFailed, tr("ffmpeg could not make the clip: %1").arg(detail));
}

void IncidentClipJob::hashesDone()
{
    if (m_state != State::Running)
        return;
    if (m_hashThread.joinable())
        m_hashThread.join();
    if (!m_hashes->missingFile.isEmpty()) {
        fail(Error::SourceMissing, tr("The recording %1 is no longer there.")
                                       .arg(QDir::toNativeSeparators(m_hashes->missingFile)));
        return;
    }
    m_hashesDone = true;
    finishIfDone();
}

void IncidentClipJob::finishIfDone()
{
    if (!m_ffmpegDone || !m_hashesDone)
        return;
    const QString target = QFileInfo(m_request.outputPath).absoluteFilePath();
    // rename() replaces an older clip of the same name in one step.
    if (std::rename(QFile::encodeName(m_partPath).constData(),
                    QFile::encodeName(target).constData())
        != 0) {
        fail(Error::FolderUnwritable,
             tr("The clip could not be written as %1.").arg(QDir::toNativeSeparators(target)));
        return;
    }
    m_written.removeAll(m_partPath);
    m_written << target; // from here on a failure removes the finished clip as well

    RouteTrack track;
    track.name = QFileInfo(target).completeBaseName();
    if (m_request.recordingStart.isValid())
        track.start = m_request.recordingStart.addMSecs(m_request.spanStartMs);
    for (AssistInfo s : m_request.samples) {
        if (s.timeMs < m_request.spanStartMs || s.timeMs >= m_request.spanEndMs)
            continue;
        s.timeMs -= m_request.spanStartMs;
        track.samples << s;
    }
    QString message;
    WriteFailure failure = WriteFailure::None;
    const QList<QPair<QString, QByteArray>> sidecars{
        {gpxPath(), formatRoute(RouteFormat::Gpx, {track})}, {manifestPath(), manifest()}};
    for (const auto &sidecar : sidecars) {
        if (!writeWholeFile(sidecar.first, sidecar.second, &message, &failure)) {
            fail(failure == WriteFailure::DiskFull ? Error::DiskFull : Error::FolderUnwritable,
                 message);
            return;
        }
        m_written << sidecar.first;
    }
    m_state = State::Succeeded;
    if (m_percent != 100) {
        m_percent = 100;
        emit progressChanged(100);
    }
    emit finished(true);
}

QByteArray IncidentClipJob::manifest() const
{
    QHash<QString, QString> layoutOf;
    for (const ClipChannel &channel : m_request.channels)
        for (const ClipPiece &piece : channel.pieces)
            layoutOf.insert(piece.file, piece.telemetryLayout);
    QJsonArray sources;
    for (int i = 0; i < m_hashes->files.size(); ++i) {
        const QString &file = m_hashes->files.at(i);
        sources.append(QJsonObject{
            {QStringLiteral("file"), QFileInfo(file).absoluteFilePath()},
            {QStringLiteral("bytes"), QFileInfo(file).size()},
            {QStringLiteral("sha256"), m_hashes->digests.at(i)},
            {QStringLiteral("telemetryLayout"), layoutOf.value(file)},
        });
    }
    QJsonArray channels;
    for (const ClipChannel &channel : m_request.channels) {
        QJsonArray pieces;
        for (const ClipPiece &piece : channel.pieces)
            pieces.append(QJsonObject{{QStringLiteral("file"), QFileInfo(piece.file).fileName()},
                                      {QStringLiteral("fromMs"), piece.fromMs},
                                      {QStringLiteral("toMs"), piece.toMs}});
        channels.append(QJsonObject{{QStringLiteral("name"), channel.name},
                                    {QStringLiteral("pieces"), pieces}});
    }
    QJsonObject span{{QStringLiteral("startMs"), m_request.spanStartMs},
                     {QStringLiteral("endMs"), m_request.spanEndMs},
                     {QStringLiteral("durationMs"), m_request.spanEndMs - m_request.spanStartMs}};
    if (m_request.recordingStart.isValid()) {
        span.insert(
            QStringLiteral("start"),
            m_request.recordingStart.addMSecs(m_request.spanStartMs).toString(Qt::ISODateWithMs));
        span.insert(
            QStringLiteral("end"),
            m_request.recordingStart.addMSecs(m_request.spanEndMs).toString(Qt::ISODateWithMs));
    }
    const QJsonObject root{
        {QStringLiteral("program"), QStringLiteral("KORVELL ZEVIDUD PLAYER")},
        {QStringLiteral("version"), QCoreApplication::applicationVersion()},
        {QStringLiteral("clip"), QFileInfo(m_request.outputPath).fileName()},
        {QStringLiteral("overlay"), QFileInfo(subtitlePath()).fileName()},
        {QStringLiteral("route"), QFileInfo(gpxPath()).fileName()},
        {QStringLiteral("layout"), clipLayoutName(m_request.layout)},
        {QStringLiteral("speedUnit"), m_request.speedUnit == SpeedUnit::MilesPerHour
                                          ? QStringLiteral("mph")
                                          : QStringLiteral("km/h")},
        {QStringLiteral("span"), span},
        {QStringLiteral("channels"), channels},
        {QStringLiteral("sources"), sources},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void IncidentClipJob::fail(Error error, const QString &message)
{
    stopWork();
    removeOutputs();
    m_state = State::Failed;
    m_error = error;
    m_errorString = message;
    emit finished(false);
}

void IncidentClipJob::stopWork()
{
    if (m_process != nullptr && m_process->state() != QProcess::NotRunning) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(kKillWaitMs);
    }
    m_stopHashing = true;
    if (m_hashThread.joinable())
        m_hashThread.join();
}

void IncidentClipJob::removeOutputs()
{
    for (const QString &path : qAsConst(m_written))
        QFile::remove(path);
    m_written.clear();
}
