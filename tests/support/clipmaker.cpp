#include "clipmaker.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

QString ffmpegProgram()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    return found.isEmpty() ? QStringLiteral("ffmpeg") : found;
}

QString makeClip(const QString &dir, const QString &name, const ClipOptions &o)
{
    QDir().mkpath(dir);
    const QString out = QDir(dir).filePath(name);
    const bool audioOnly = name.endsWith(QLatin1String(".m4a"), Qt::CaseInsensitive);

    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                     QStringLiteral("error"), QStringLiteral("-y")};
    if (!audioOnly) {
        QString video = QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                            .arg(o.width)
                            .arg(o.height)
                            .arg(o.fps)
                            .arg(o.seconds);
        if (o.frameNumbers)
            video += QStringLiteral(",drawtext=text='%{frame_num}':x=8:y=8:fontsize=%1:"
                                    "fontcolor=white:box=1:boxcolor=black")
                         .arg(qMax(12, o.height / 6));
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i") << video;
    }
    if (o.audio || audioOnly)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440:duration=%1").arg(o.seconds);
    if (!audioOnly)
        args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
             << QStringLiteral("ultrafast") << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p")
             << QStringLiteral("-g") << QString::number(o.gop);
    if (o.audio || audioOnly)
        args << QStringLiteral("-c:a") << QStringLiteral("aac") << QStringLiteral("-shortest");
    args << o.extraArgs << out;

    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(ffmpegProgram(), args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitStatus() != QProcess::NormalExit
        || ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed for" << out << ffmpeg.readAll();
        ffmpeg.kill();
        return QString();
    }
    return QFileInfo(out).exists() ? out : QString();
}
