#include "mapscript.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
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

namespace {

constexpr double mphPerKmh = 0.6214;

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

QVector<RoutePoint> routePoints(const AssistInfoList &samples, const QVector<int> &sampleClips,
                                SpeedUnit unit, qint64 maxGapMs)
{
    QVector<RoutePoint> points;
    points.reserve(samples.size());
    bool broken = true;
    qint64 lastMs = 0;
    for (int i = 0; i < samples.size(); ++i) {
        const AssistInfo &sample = samples.at(i);
        const auto position = samplePosition(sample);
        if (!position || sample.timeMs < 0) {
            broken = true;
            continue;
        }
        RoutePoint point;
        point.position = *position;
        const double kmh = std::max(0, sample.speed);
        point.speed = unit == SpeedUnit::Mph ? kmh * mphPerKmh : kmh;
        point.driveMs = sample.timeMs;
        point.clip = sampleClips.value(i, -1);
        // Samples out of time order would draw the route backwards: a new run begins there too.
        point.startsRun = broken || sample.timeMs - lastMs > maxGapMs || sample.timeMs < lastMs;
        points.append(point);
        broken = false;
        lastMs = sample.timeMs;
    }
    return points;
}

QStringList driveRouteScripts(const QVector<RoutePoint> &points, SpeedUnit unit,
                              int pointsPerCall)
{
    QStringList scripts;
    if (points.isEmpty())
        return scripts;
    pointsPerCall = std::max(1, pointsPerCall);
    scripts.append(QStringLiteral("driveRouteBegin(%1)").arg(int(unit)));
    for (int first = 0; first < points.size(); first += pointsPerCall) {
        const int end = std::min<int>(points.size(), first + pointsPerCall);
        QString script = QStringLiteral("driveRouteAdd([");
        script.reserve(script.size() + (end - first) * 48);
        for (int i = first; i < end; ++i) {
            const RoutePoint &p = points.at(i);
            script += jsNumber(p.position.latitude) + QLatin1Char(',')
                      + jsNumber(p.position.longitude) + QLatin1Char(',')
                      + QString::number(p.speed, 'f', 1) + QLatin1Char(',')
                      + QString::number(p.driveMs) + QLatin1Char(',')
                      + QString::number(p.clip) + QLatin1Char(',')
                      + QLatin1Char(p.startsRun ? '1' : '0') + QLatin1Char(',');
        }
        script += QLatin1String("])");
        scripts.append(script);
    }
    scripts.append(QStringLiteral("driveRouteEnd()"));
    return scripts;
}

QStringList driveRouteScripts(const AssistInfoList &samples, const QVector<int> &sampleClips,
                              SpeedUnit unit, int pointsPerCall)
{
    return driveRouteScripts(routePoints(samples, sampleClips, unit), unit, pointsPerCall);
}

QString routeClipScript(int clip)
{
    return QStringLiteral("driveRouteClip(%1)").arg(clip);
}

QString fitAreaScript(double south, double west, double north, double east)
{
    if (!std::isfinite(south) || !std::isfinite(west) || !std::isfinite(north)
        || !std::isfinite(east))
        return QString();
    return QStringLiteral("fitArea(%1,%2,%3,%4)")
        .arg(south, 0, 'g', 15)
        .arg(west, 0, 'g', 15)
        .arg(north, 0, 'g', 15)
        .arg(east, 0, 'g', 15);
}

QString eventMarksScript(const AssistInfoList &samples, const QList<qint64> &eventsMs,
                         qint64 maxDistanceMs)
{
    QString script = QStringLiteral("driveEventMarks([");
    for (const qint64 eventMs : eventsMs) {
        // The first sample at or after the event, then the nearest with a position around it.
        const auto after = std::lower_bound(
            samples.cbegin(), samples.cend(), eventMs,
            [](const AssistInfo &s, qint64 ms) { return s.timeMs < ms; });
        std::optional<Position> best;
        qint64 bestDistance = maxDistanceMs + 1;
        for (auto it = after; it != samples.cend() && it->timeMs - eventMs < bestDistance; ++it) {
            if (const auto position = samplePosition(*it)) {
                best = position;
                bestDistance = it->timeMs - eventMs;
                break;
            }
        }
        for (auto it = after; it != samples.cbegin();) {
            --it;
            if (eventMs - it->timeMs >= bestDistance)
                break;
            if (const auto position = samplePosition(*it)) {
                best = position;
                break;
            }
        }
        if (!best)
            continue;
        script += jsNumber(best->latitude) + QLatin1Char(',') + jsNumber(best->longitude)
                  + QLatin1Char(',') + QString::number(eventMs) + QLatin1Char(',');
    }
    script += QLatin1String("])");
    return script;
}

QString followCarScript(bool follow)
{
    return QStringLiteral("setFollowCar(%1)").arg(boolText(follow));
}

namespace {

// Our own text as a JavaScript string literal.
QString jsString(const QString &text)
{
    // A JSON array's text holds the string escaped for JavaScript too; the brackets come off.
    QString json = QString::fromUtf8(
        QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    json = json.mid(1, json.size() - 2);
    // U+2028 and U+2029 end a line in older JavaScript, though JSON allows them in strings.
    json.replace(QChar(0x2028), QLatin1String("\\u2028"));
    json.replace(QChar(0x2029), QLatin1String("\\u2029"));
    return json;
}

} // namespace

QString followTitleScript(const QString &tooltip)
{
    return QStringLiteral("setFollowTitle(%1)").arg(jsString(tooltip));
}

QString tileNoteScript(const QString &text)
{
    return QStringLiteral("setTileNote(%1)").arg(jsString(text));
}

QString tileSourceScript(bool local, int maxZoom)
{
    return local ? QStringLiteral("useTileSource(1,%1)").arg(std::clamp(maxZoom, 0, 22))
                 : QStringLiteral("useTileSource(0,17)");
}

} // namespace MapScript
