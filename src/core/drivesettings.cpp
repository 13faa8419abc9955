#include "drivesettings.h"

#include <QtGlobal>

namespace DriveSettings {

const char continueKey[] = "continueNextClip";
const char eventThresholdKey[] = "eventThreshold";
const char tileSourceKey[] = "tileSource";

bool continueWithNextClip(const SettingsStore &store)
{
    return store.readValue(QLatin1String(continueKey)).trimmed() != QLatin1String("0");
}

double eventThresholdG(const SettingsStore &store)
{
    bool ok = false;
    const double value = store.readValue(QLatin1String(eventThresholdKey)).toDouble(&ok);
    // NaN fails both comparisons of qBound's clamp, so it is caught here.
    if (!ok || !qIsFinite(value))
        return defaultEventThresholdG;
    return qBound(minEventThresholdG, value, maxEventThresholdG);
}

QString tileSource(const SettingsStore &store)
{
    return store.readValue(QLatin1String(tileSourceKey));
}

} // namespace DriveSettings
