// zevidud-make-demo OUTDIR [--minutes N] [--clips K] [--size WxH]
//
// Writes a demo recording set as a three-camera dashboard camera would: one MP4 per camera,
// named alike except for the channel letter (..._0001A.MP4, ..._0001B.MP4, ..._0001C.MP4),
// each carrying the telemetry of a city drive in the TORVEN trailer layout. With --clips the
// drive is cut into K consecutive recordings of N minutes each, as a camera cuts a long drive:
// each file is named after the second it starts (20261207_101500_0001A.MP4,
// 20261207_101800_0002A.MP4, ...) and carries its own stretch of the drive's log. --size sets the
// picture (960x540 by default); a small one encodes several times faster.
#include "drive.h"
#include "trailer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QTextStream>
#include <QtMath>

namespace {

const char kStartTime[] = "20261207_101500";
const int kMaxClips = 240;
const QSize kDefaultSize(960, 540);
// H.264 in 4:2:0 wants even sides; below this the overlay texts no longer fit.
const QSize kMinSize(160, 90);
const QSize kMaxSize(1920, 1080);

struct Camera
{
    char letter;
    const char *source; // lavfi picture, %1 = size, %2 = rate
    bool audio;
};

// A different picture per camera, so the channels are told apart at a glance.
const Camera kCameras[] = {
    {'A', "testsrc2=size=%1:rate=%2", true},
    {'B', "gradients=size=%1:rate=%2:speed=0.015:n=3", false},
    {'C', "smptehdbars=size=%1:rate=%2", false},
};

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// "WxH" with even sides within the limits, else an invalid size.
QSize parseSize(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return {};
    bool wOk = false;
    bool hOk = false;
    const QSize size(parts[0].toInt(&wOk), parts[1].toInt(&hOk));
    if (!wOk || !hOk || size.width() % 2 != 0 || size.height() % 2 != 0
        || size.width() < kMinSize.width() || size.height() < kMinSize.height()
        || size.width() > kMaxSize.width() || size.height() > kMaxSize.height())
        return {};
    return size;
}

bool encode(const QString &ffmpeg, const Camera &camera, const QSize &size, double seconds,
            const QDateTime &start, const QString &target)
{
    // The overlay was laid out for 540 lines; other heights scale it alike.
    const auto scaled = [&size](int value) {
        return qMax(1, qRound(value * size.height() / double(kDefaultSize.height())));
    };
    const QString overlay = QStringLiteral(
        "drawtext=text='CAM %1':x=%3:y=%4:fontsize=%5:fontcolor=white:box=1:"
        "boxcolor=black@0.5:boxborderw=%6,"
        "drawtext=text='%{pts\\:gmtime\\:%2}':x=w-tw-%3:y=h-th-%4:fontsize=%7:"
        "fontcolor=white:box=1:boxcolor=black@0.5:boxborderw=%8")
                                .arg(QLatin1Char(camera.letter))
                                .arg(start.toSecsSinceEpoch())
                                .arg(scaled(24))
                                .arg(scaled(20))
                                .arg(scaled(36))
                                .arg(scaled(8))
                                .arg(scaled(28))
                                .arg(scaled(6));
    const QString picture = QString::fromLatin1(camera.source)
                                .arg(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()))
                                .arg(30)
                            + ',' + overlay;
    const QString duration = QString::number(seconds, 'f', 3);

    QStringList args{"-hide_banner", "-loglevel", "error", "-y",
                     "-f", "lavfi", "-i", picture};
    if (camera.audio)
        args << "-f" << "lavfi" << "-i" << "sine=frequency=330:beep_factor=3:sample_rate=48000";
    args << "-t" << duration << "-map" << "0:v";
    if (camera.audio)
        args << "-map" << "1:a" << "-c:a" << "aac" << "-b:a" << "64k" << "-af" << "volume=0.25";
    // One keyframe a second keeps seeking and frame steps quick; CRF 30 keeps the set small.
    args << "-c:v" << "libx264" << "-preset" << "veryfast" << "-crf" << "30"
         << "-pix_fmt" << "yuv420p" << "-g" << "30" << "-movflags" << "+faststart"
         << "-metadata" << QStringLiteral("creation_time=%1").arg(start.toString(Qt::ISODate))
         << "-f" << "mp4" << target;

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(ffmpeg, args);
    if (!process.waitForStarted()) {
        err() << "cannot start " << ffmpeg << Qt::endl;
        return false;
    }
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        err() << "ffmpeg failed for camera " << camera.letter << Qt::endl;
        return false;
    }
    return true;
}

bool appendTail(const QString &path, const QByteArray &tail)
{
    QFile file(path);
    if (!file.open(QIODevice::Append))
        return false;
    return file.write(tail) == tail.size() && file.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zevidud-make-demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a three-camera demo recording set (channels A, B, C) with the GPS and G-sensor "
        "log of a drive through Berlin, for trying KORVELL ZEVIDUD PLAYER without a camera."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("OUTDIR"),
                                 QStringLiteral("Folder for the three files (created if needed)."));
    const QCommandLineOption minutesOption(
        QStringLiteral("minutes"),
        QStringLiteral("Length of the recording in minutes (default 3, at most 8)."),
        QStringLiteral("N"), QStringLiteral("3"));
    parser.addOption(minutesOption);
    const QCommandLineOption clipsOption(
        QStringLiteral("clips"),
        QStringLiteral("Number of consecutive recordings of the drive (default 1, at most %1); "
                       "each is --minutes long.")
            .arg(kMaxClips),
        QStringLiteral("K"), QStringLiteral("1"));
    parser.addOption(clipsOption);
    const QCommandLineOption sizeOption(
        QStringLiteral("size"),
        QStringLiteral("Picture size, even width and height from %1x%2 to %3x%4 (default %5x%6).")
            .arg(kMinSize.width())
            .arg(kMinSize.height())
            .arg(kMaxSize.width())
            .arg(kMaxSize.height())
            .arg(kDefaultSize.width())
            .arg(kDefaultSize.height()),
        QStringLiteral("WxH"),
        QStringLiteral("%1x%2").arg(kDefaultSize.width()).arg(kDefaultSize.height()));
    parser.addOption(sizeOption);
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        err() << "usage: zevidud-make-demo OUTDIR [--minutes N] [--clips K] [--size WxH]"
              << Qt::endl;
        return 2;
    }
    bool ok = false;
    const double minutes = parser.value(minutesOption).toDouble(&ok);
    double seconds = minutes * 60.0;
    const int records = ok ? int(qCeil(seconds - 1e-9)) : 0;
    if (!ok || !(seconds >= 1.0) || records > trailer::kMaxRecords) {
        err() << "--minutes must be a number from " << (1.0 / 60.0) << " to "
              << trailer::kMaxRecords / 60 << Qt::endl;
        return 2;
    }
    const int clips = parser.value(clipsOption).toInt(&ok);
    if (!ok || clips < 1 || clips > kMaxClips) {
        err() << "--clips must be a whole number from 1 to " << kMaxClips << Qt::endl;
        return 2;
    }
    const QSize size = parseSize(parser.value(sizeOption));
    if (!size.isValid()) {
        err() << "--size must be WxH with even sides from " << kMinSize.width() << "x"
              << kMinSize.height() << " to " << kMaxSize.width() << "x" << kMaxSize.height()
              << Qt::endl;
        return 2;
    }
    // Clips of a drive last whole seconds, so each name's time is where the one before ends.
    if (clips > 1)
        seconds = records;

    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        err() << "ffmpeg not found in PATH" << Qt::endl;
        return 1;
    }
    QDir dir(positional.first());
    if (!dir.mkpath(QStringLiteral("."))) {
        err() << "cannot create " << dir.path() << Qt::endl;
        return 1;
    }

    const QDateTime start =
        QDateTime::fromString(QLatin1String(kStartTime), QStringLiteral("yyyyMMdd_HHmmss"));
    const QDateTime driveStart(start.date(), start.time(), Qt::UTC);
    const QVector<DriveSample> drive = simulateDrive(records * clips);

    int made = 0;
    const int total = clips * int(sizeof(kCameras) / sizeof(kCameras[0]));
    for (int clip = 0; clip < clips; ++clip) {
        const QDateTime clipStart = driveStart.addSecs(qint64(clip) * records);
        const QString baseName = QStringLiteral("%1_%2")
                                     .arg(clipStart.toString(QStringLiteral("yyyyMMdd_HHmmss")))
                                     .arg(clip + 1, 4, 10, QLatin1Char('0'));
        const QByteArray tail = trailer::tail(drive.mid(clip * records, records), clipStart);
        for (const Camera &camera : kCameras) {
            const QString name =
                QStringLiteral("%1%2.MP4").arg(baseName).arg(QLatin1Char(camera.letter));
            const QString target = dir.filePath(name);
            const QString partial = target + QStringLiteral(".part");
            // Encoding takes a while (about as long as the video on a small machine): say where
            // we are.
            out() << "[" << ++made << "/" << total << "] writing " << target << " (" << records
                  << " s of video)" << Qt::endl;
            // The camera appends its log after the movie; so do we, then the file takes its name.
            if (!encode(ffmpeg, camera, size, seconds, clipStart, partial)
                || !appendTail(partial, tail)) {
                QFile::remove(partial);
                return 1;
            }
            QFile::remove(target);
            if (!QFile::rename(partial, target)) {
                err() << "cannot rename " << partial << Qt::endl;
                return 1;
            }
        }
    }

    double top = 0.0;
    for (const DriveSample &d : drive)
        top = qMax(top, d.speedKmh);
    out() << "done: " << records * clips << " s of drive, top speed " << qRound(top) << " km/h" << Qt::endl;
    return 0;
}
