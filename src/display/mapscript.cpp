#include "mapscript.h"

#include <QDebug>
#include <cmath>

namespace MapScript {

std::optional<Position> samplePosition(const AssistInfo &sample)
{
    if (!sample.hasPosition)
        return std::nullopt;
    const double latitude = sample.latitudeDeg;
    const double longitude = sample.longitudeDeg;
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90.0
        || std::fabs(longitude) > 180.0)
        return std::nullopt;
    return Position{latitude, longitude};
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
