#include "incidentoverlay.h"

#include "sampletime.h"

#include <QtMath>

namespace {

// ASS times are h:mm:ss.cc (centiseconds).
QString assTime(qint64 ms)
{
    const qint64 cs = ms / 10;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(cs / 360000)
        .arg(cs / 6000 % 60, 2, 10, QLatin1Char('0'))
        .arg(cs / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(cs % 100, 2, 10, QLatin1Char('0'));
}

QString hemisphere(double v, QChar positive, QChar negative)
{
    return QString::number(qAbs(v), 'f', 6) + QLatin1Char(' ') + (v < 0 ? negative : positive);
}

QString signedG(float v)
{
    return (v >= 0.0f ? QStringLiteral("+") : QString()) + QString::number(double(v), 'f', 2);
}

} // namespace

QString incidentOverlayText(const AssistInfo *sample, const QDateTime &at, SpeedUnit unit)
{
    const QString dash = QStringLiteral("--");
    QString first = at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : dash;
    QString second;
    const bool mph = unit == SpeedUnit::MilesPerHour;
    const QString unitText = mph ? QStringLiteral("mph") : QStringLiteral("km/h");
    if (sample == nullptr) {
        first += QStringLiteral("   %1 %2").arg(dash, unitText);
        second = dash;
    } else {
        const double speed = mph ? sample->speed / 1.609344 : double(sample->speed);
        first += QStringLiteral("   %1 %2").arg(qRound(speed)).arg(unitText);
        second = sample->hasPosition
                     ? hemisphere(sample->latitudeDeg, QLatin1Char('N'), QLatin1Char('S'))
                           + QStringLiteral("  ")
                           + hemisphere(sample->longitudeDeg, QLatin1Char('E'), QLatin1Char('W'))
                     : QStringLiteral("no fix");
        if (sample->hasGSensor)
            second += QStringLiteral("   G %1 %2 %3")
                          .arg(signedG(sample->x), signedG(sample->y), signedG(sample->z));
    }
    return first + QLatin1Char('\n') + second;
}

QByteArray buildIncidentSubtitles(const AssistInfoList &samples, const QDateTime &recordingStart,
                                  qint64 spanStartMs, qint64 spanEndMs, SpeedUnit unit,
                                  const QSize &frame)
{
    const int fontSize = qMax(9, frame.height() / 24);
    const int margin = qMax(2, fontSize / 2);
    QString out;
    out += QStringLiteral("[Script Info]\nScriptType: v4.00+\nWrapStyle: 2\n"
                          "ScaledBorderAndShadow: yes\nPlayResX: %1\nPlayResY: %2\n\n")
               .arg(frame.width())
               .arg(frame.height());
    // BorderStyle 3 draws an opaque box (in the outline colour) behind the text.
    out += QStringLiteral(
               "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
               "OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, "
               "Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, "
               "MarginV, Encoding\n"
               "Style: Overlay,DejaVu Sans,%1,&H00FFFFFF,&H00FFFFFF,&H00000000,&H00000000,0,0,0,0,"
               "100,100,0,0,3,%2,0,1,%3,%3,%3,1\n\n")
               .arg(fontSize)
               .arg(qMax(1, fontSize / 5))
               .arg(margin);
    out += QStringLiteral("[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, "
                          "MarginV, Effect, Text\n");
    const qint64 duration = spanEndMs - spanStartMs;
    const qint64 cover = sampleCoverMs(typicalSampleSpacingMs(samples));
    // A clip of a few minutes has a few hundred events; the cap keeps a wrong span from
    // producing a script of millions of lines.
    const qint64 maxSeconds = 24 * 3600;
    for (qint64 second = 0; second * 1000 < duration && second < maxSeconds; ++second) {
        const qint64 at = spanStartMs + second * 1000;
        const int index = sampleIndexAtTime(samples, at, cover);
        const AssistInfo *sample = index >= 0 ? &samples.at(index) : nullptr;
        const QDateTime clock =
            recordingStart.isValid() ? recordingStart.addMSecs(at) : QDateTime();
        QString text = incidentOverlayText(sample, clock, unit);
        text.replace(QLatin1Char('\n'), QStringLiteral("\\N"));
        out += QStringLiteral("Dialogue: 0,%1,%2,Overlay,,0,0,0,,%3\n")
                   .arg(assTime(second * 1000), assTime(qMin(duration, (second + 1) * 1000)), text);
    }
    return out.toUtf8();
}
