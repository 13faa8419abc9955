#pragma once

#include <QString>
#include <QStringList>

// Makes short test recordings with the real ffmpeg at test time.
struct ClipOptions
{
    int seconds = 5;
    int width = 320;
    int height = 240;
    int fps = 30;
    bool audio = true;
    // Burn the frame number into the picture (drawtext), so screenshots show which frame is up.
    bool frameNumbers = true;
    // Keyframe interval in frames; long GOPs make inexact seeks visible.
    int gop = 60;
    QStringList extraArgs; // appended before the output path
};

// Writes dir/name (the extension picks the container: .mp4, .mov, .ts, .m4a). Returns the full
// path, or an empty string when ffmpeg failed (the reason goes to qWarning).
QString makeClip(const QString &dir, const QString &name, const ClipOptions &options = {});

// Path of the ffmpeg executable used by the tests.
QString ffmpegProgram();
