#include "resumepositions.h"

#include "settingsstore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <vector>

namespace ResumePositions {

namespace {

const QString group = QStringLiteral("positions");

QString keyOf(const QString &path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return QString::fromLatin1(
        QCryptographicHash::hash(clean.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

// Entries are "seconds,when" (when: seconds since the epoch, for dropping the oldest).
bool parse(const QString &entry, int *seconds, qint64 *when)
{
    const QStringList parts = entry.split(QLatin1Char(','));
    if (parts.size() != 2)
        return false;
    bool okSeconds = false;
    bool okWhen = false;
    *seconds = parts.at(0).toInt(&okSeconds);
    *when = parts.at(1).toLongLong(&okWhen);
    return okSeconds && okWhen && *seconds > 0;
}

} // namespace

void store(const QString &path, int seconds, int durationSeconds)
{
    if (path.isEmpty())
        return;
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, SettingsStore::organization,
                       SettingsStore::application);
    settings.beginGroup(group);
    const QString key = keyOf(path);
    const bool nearEnd = durationSeconds > 0 && seconds > durationSeconds - marginSeconds;
    if (seconds < marginSeconds || nearEnd) {
        settings.remove(key);
        return;
    }
    settings.setValue(key, QStringLiteral("%1,%2").arg(seconds).arg(
                               QDateTime::currentSecsSinceEpoch()));
    const QStringList keys = settings.childKeys();
    if (keys.size() <= maxEntries)
        return;
    // Too many: the oldest go (and anything unreadable first).
    std::vector<std::pair<qint64, QString>> byAge;
    for (const QString &k : keys) {
        int s = 0;
        qint64 when = 0;
        byAge.emplace_back(parse(settings.value(k).toString(), &s, &when) ? when : -1, k);
    }
    std::sort(byAge.begin(), byAge.end());
    for (size_t i = 0; i + maxEntries < byAge.size(); ++i)
        settings.remove(byAge[i].second);
}

int load(const QString &path)
{
    if (path.isEmpty())
        return 0;
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, SettingsStore::organization,
                       SettingsStore::application);
    settings.beginGroup(group);
    int seconds = 0;
    qint64 when = 0;
    return parse(settings.value(keyOf(path)).toString(), &seconds, &when) ? seconds : 0;
}

} // namespace ResumePositions
