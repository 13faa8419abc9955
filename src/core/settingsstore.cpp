#include "settingsstore.h"

#include <QDebug>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

QString SettingsStore::configFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QLatin1Char('/') + QLatin1String(organization) + QLatin1Char('/')
           + QLatin1String(application);
}

QString SettingsStore::readValue(const QString &key) const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organization, application);
    settings.beginGroup(QStringLiteral("config"));
    return settings.value(key).toString();
}

void SettingsStore::writeValue(const QString &key, const QString &value) const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organization, application);
    settings.beginGroup(QStringLiteral("config"));
    settings.setValue(key, QVariant(value));
    settings.endGroup();
}

int SettingsStore::readInt(const QString &key) const
{
    return readValue(key).toInt(nullptr, 10);
}

void SettingsStore::initDefaults() const
{
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organization, application);
        const QStringList groups = settings.childGroups();
        qDebug() << "clsids:" << groups.size();
        if (!groups.isEmpty())
            return;
    }
    writeValue(QStringLiteral("language"), QStringLiteral("0"));
    writeValue(QStringLiteral("map"), QStringLiteral("1"));
    writeValue(QStringLiteral("speed"), QStringLiteral("0"));
    writeValue(QStringLiteral("capturePath"), QDir::homePath() + QStringLiteral("/Pictures/"));
    if (readValue(QStringLiteral("volume")).isEmpty())
        writeValue(QStringLiteral("volume"), QStringLiteral("40"));
    writeValue(QStringLiteral("playMode"), QStringLiteral("0"));
}
