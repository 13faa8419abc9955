#include "dashboard.h"

#include "mapscript.h"

#include <QVector>
#include <array>

#include <QCoreApplication>
#include <QtMath>
#include <climits>

namespace Dashboard {

namespace {

QString twoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Units are translated in this layer's own context (no language spells them otherwise today).
QString kmhUnit()
{
    return QCoreApplication::translate("Dashboard", "KM/H");
}

QString mphUnit()
{
    return QCoreApplication::translate("Dashboard", "MPH");
}

} // namespace

QString timeLabelText(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds / 60) % 60;
    const qint64 secs = seconds % 60;
    if (hours == 0)
        return twoDigits(minutes) + QLatin1Char(':') + twoDigits(secs);
    return QString::number(hours) + QLatin1Char(':') + twoDigits(minutes) + QLatin1Char(':')
           + twoDigits(secs);
}

QString gValueText(QChar axis, double value)
{
    return QString(axis) + QLatin1Char(':') + QString::number(value, 'f', 3);
}

QString noGValueText(QChar axis)
{
    return QString(axis) + QLatin1String(":--");
}

QString speedText(int speedKmh, int speedSetting)
{
    if (speedSetting == 0)
        return QString::number(speedKmh) + kmhUnit();
    return QString::number(qRound64(speedKmh * 0.6214)) + mphUnit();
}

QString initialSpeedText(int speedSetting)
{
    if (speedSetting == 0)
        return QStringLiteral("0") + kmhUnit();
    return QStringLiteral("0") + mphUnit() + QLatin1Char(' ');
}

QString noSpeedText(int speedSetting)
{
    return QStringLiteral("--") + (speedSetting == 0 ? kmhUnit() : mphUnit());
}

} // namespace Dashboard

bool Dashboard::hasTelemetryToShow(const AssistInfoList &samples)
{
    QVector<std::array<float, 3>> readings;
    for (const AssistInfo &sample : samples) {
        if (sample.speed != 0 || MapScript::samplePosition(sample))
            return true;
        if (!sample.hasGSensor)
            continue;
        const std::array<float, 3> g{sample.x, sample.y, sample.z};
        if (!readings.contains(g)) {
            readings.append(g);
            if (readings.size() >= 3)
                return true;
        }
    }
    return false;
}
