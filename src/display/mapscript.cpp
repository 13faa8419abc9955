#include "mapscript.h"

#include <QDebug>
#include <QLocale>
#include <cmath>

namespace MapScript {

namespace {

std::optional<double> coordinateValue(const QString &text, double limit)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    // The C locale: a comma is never a decimal separator in these texts, whatever the user's,
    // nor a thousands separator ("5,5" is no coordinate).
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value) || value == 0.0 || std::fabs(value) > limit)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<Position> samplePosition(const AssistInfo &sample)
{
    const auto latitude = coordinateValue(sample.latitude, 90.0);
    const auto longitude = coordinateValue(sample.longitude, 180.0);
    if (!latitude || !longitude)
        return std::nullopt;
    return Position{*latitude, *longitude};
}

QString jsNumber(double value)
{
    // 15 significant digits keep far more than a GPS fix holds and never produce text that
    // JavaScript reads differently ("1e-05" is a valid literal).
    return QString::number(value, 'g', 15);
}

QString routeScript(const AssistInfoList &samples)
{
    if (samples.isEmpty())
        return QString();
    QString script = QStringLiteral("drawPolyLinePath([");
    script.reserve(script.size() + samples.size() * 24);
    for (const AssistInfo &sample : samples) {
        const auto position = samplePosition(sample);
        if (!position)
            continue;
        script += QLatin1Char('[') + jsNumber(position->latitude) + QLatin1Char(',')
                  + jsNumber(position->longitude) + QLatin1String("],");
    }
    script += QLatin1String("])");
    qDebug().noquote() << "strSerInfo:" << script;
    return script;
}

QString markerScript(const AssistInfo &sample)
{
    const auto position = samplePosition(sample);
    if (!position)
        return QString();
    return QStringLiteral("updateMarkerPosition1(%1,%2)")
        .arg(jsNumber(position->latitude), jsNumber(position->longitude));
}

} // namespace MapScript
