#pragma once

#include <QString>

// Stateless access to the preferences of group "config" in the native settings store.
// Every call opens the store anew, so values written by one window are seen at once by every
// reader, the file worker thread included, without locks.
class SettingsStore
{
public:
    static constexpr const char *organization = "Dravonix";
    static constexpr const char *application = "ZevidudPlayer";

    // Our own folder beside the settings file ("$XDG_CONFIG_HOME/Dravonix/ZevidudPlayer"), for
    // files the user may add (mpv.conf). It need not exist.
    static QString configFolder();

    QString readValue(const QString &key) const;
    void writeValue(const QString &key, const QString &value) const;
    // Base-10 integer of readValue(key); absent or non-numeric text gives 0.
    int readInt(const QString &key) const;
    // First-run defaults; does nothing once the store holds any group.
    void initDefaults() const;
};
