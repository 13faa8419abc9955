#pragma once

#include "assistinfo.h"
#include "incidentoverlay.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <atomic>
#include <memory>
#include <thread>

// A stretch of one source file: [fromMs, toMs) of the file's own time. telemetryLayout names the
// layout the file's telemetry was read with (empty when it had none); it goes into the manifest.
struct ClipPiece
{
    QString file;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    QString telemetryLayout;
};

// One camera channel of the span: its pieces in playing order (a span that crosses a clip
// boundary has more than one).
struct ClipChannel
{
    QString name;
    QList<ClipPiece> pieces;
};

enum class ClipLayout { SideBySide, Grid };

struct IncidentClipRequest
{
    QList<ClipChannel> channels;
    ClipLayout layout = ClipLayout::SideBySide;
    // Samples of the span, timed on the same axis as spanStartMs/spanEndMs (ms from
    // recordingStart, e.g. drive time).
    AssistInfoList samples;
    QDateTime recordingStart;
    qint64 spanStartMs = 0;
    qint64 spanEndMs = 0;
    SpeedUnit speedUnit = SpeedUnit::KilometresPerHour;
    QString outputPath; // the .mp4; the .ass, .gpx and .json go beside it with the same base name
    QSize cellSize{1280, 720}; // every channel is fitted (letterboxed) into a cell of this size
    int fps = 30;
};

// "side-by-side" or "grid", as the manifest names it.
QString clipLayoutName(ClipLayout layout);
// Size of the composed picture: the cells side by side, or in a grid of ceil(sqrt(n)) columns.
QSize composedFrameSize(const IncidentClipRequest &request);
// Escapes text for use as an option value inside an ffmpeg filter graph (both levels of
// ffmpeg's quoting).
QString escapeFilterValue(const QString &text);
// The ffmpeg arguments that compose the request into outputFile (format mp4), burning in the ASS
// script assFile (a path relative to the working folder ffmpeg runs in, or absolute).
QStringList incidentClipArguments(const IncidentClipRequest &request, const QString &assFile,
                                  const QString &outputFile);
// The ffmpeg program on PATH (absolute entries only, so never one in the working folder), or an
// empty string.
QString findFfmpegProgram();

// Exports an incident clip with the real ffmpeg: writes the ASS overlay, composes every channel
// across clip boundaries, reports progress, and on success leaves beside the clip a GPX of the
// span and a JSON manifest (source files with SHA-256, span, layouts, program version). Failure
// or cancellation leaves no clip, no partial file and no ffmpeg process behind.
class IncidentClipJob : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Running, Succeeded, Failed, Cancelled };
    enum class Error {
        None,
        InvalidRequest,
        FfmpegMissing,
        SourceMissing,
        FolderUnwritable,
        DiskFull,
        FfmpegFailed
    };
    Q_ENUM(State)
    Q_ENUM(Error)

    explicit IncidentClipJob(QObject *parent = nullptr);
    ~IncidentClipJob() override;

    // Starts the export; returns false (and emits finished) when it fails at once. Only one run
    // per job.
    bool start(const IncidentClipRequest &request);
    // Ends ffmpeg, waits for it, removes everything written so far; emits finished(false).
    void cancel();

    State state() const { return m_state; }
    Error error() const { return m_error; }
    QString errorString() const { return m_errorString; }
    int percent() const { return m_percent; }
    QString gpxPath() const;
    QString manifestPath() const;
    QString subtitlePath() const;

signals:
    void progressChanged(int percent);
    void finished(bool success);

private:
    struct HashResult
    {
        QStringList files;
        QStringList digests;
        QString missingFile; // set when a source could not be read
    };

    void readProgress();
    void readErrors();
    void ffmpegFinished(int exitCode, QProcess::ExitStatus status);
    void hashesDone();
    void finishIfDone();
    void fail(Error error, const QString &message);
    void stopWork();
    void removeOutputs();
    QByteArray manifest() const;

    IncidentClipRequest m_request;
    State m_state = State::Idle;
    Error m_error = Error::None;
    QString m_errorString;
    int m_percent = -1;
    QString m_partPath;
    QStringList m_written; // files of this run, removed when it fails or is cancelled
    QProcess *m_process = nullptr;
    QByteArray m_progressBuffer;
    QByteArray m_errorTail;
    bool m_ffmpegDone = false;
    bool m_hashesDone = false;
    std::thread m_hashThread;
    std::atomic<bool> m_stopHashing{false};
    std::shared_ptr<HashResult> m_hashes;
};
