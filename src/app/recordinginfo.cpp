#include "recordinginfo.h"

#include <QDateTime>
#include <algorithm>

namespace {

const char *infoTemplate =
    "Filename : ${filename}\n"
    "Size : ${file-size}, Format : ${file-format}, Demuxer : ${current-demuxer}\n"
    "Duration : ${duration}, Pos : ${time-pos}\n"
    "Video format : ${video-format}, Video Codec : ${video-codec}\n"
    "Pixel format : ${video-params/pixelformat}\n"
    "Average BPP : ${video-params/average-bpp}\n"
    "Video size : ${width}x${height}\n"
    "Display size : %2x%3\n"
    "hwdec current : ${hwdec-current}\n"
    "hwdec interop : ${hwdec-interop}\n"
    "hwdec : ${hwdec}\n"
    "Video aspect : ${video-aspect}\n"
    "Video bitrate : ${video-bitrate}\n"
    "Audio bitrate : ${audio-bitrate}\n"
    "version : %4\n"
    "Gps Item:%5\n";

// The telemetry line of the information text, when the recording's layout has a name.
QString layoutLine(const QString &name)
{
    if (name.isEmpty())
        return QString();
    // mpv expands "${...}" in the text: a name never holds one, but "$" is escaped all the same.
    QString escaped = name;
    escaped.replace(QLatin1Char('$'), QLatin1String("$$"));
    return QStringLiteral("Telemetry : ") + escaped + QLatin1Char('\n');
}

// When the telemetry says the recording was made: the first and last moment a sample carries,
// by the GPS or, without it, by the camera's own clock (which may be local time).
QString timeLine(const AssistInfoList &samples)
{
    const auto timed = [](const AssistInfo &s) { return s.utcMs >= 0; };
    const auto first = std::find_if(samples.cbegin(), samples.cend(), timed);
    if (first == samples.cend())
        return QString();
    const auto last = std::find_if(samples.crbegin(), samples.crend(), timed);
    const auto text = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };
    const bool gps = first->utcClock == AssistInfo::Clock::Gps;
    return (gps ? QStringLiteral("GPS time : %1 - %2 UTC\n")
                : QStringLiteral("Camera clock : %1 - %2\n"))
        .arg(text(first->utcMs), text(last->utcMs));
}

} // namespace

QString recordingInfoText(int displayWidth, int displayHeight, const AssistInfoList &samples,
                          const QString &layoutName)
{
    // Only the older index-table layouts have a gps box whose length counts their GPS entries;
    // the readers of newer cameras give samples that carry their own time and fix and no such
    // box. The samples say it for every layout.
    const auto fixes = std::count_if(samples.cbegin(), samples.cend(),
                                     [](const AssistInfo &sample) { return sample.hasPosition; });
    return QString::fromLatin1(infoTemplate)
               .arg(displayWidth)
               .arg(displayHeight)
               .arg(QStringLiteral(ZEVIDUD_VERSION))
               .arg(qint64(fixes))
           + layoutLine(layoutName) + timeLine(samples);
}
