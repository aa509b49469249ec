#pragma once

#include <QString>

// The per-user settings store shared by both programs: QSettings in its native
// form under organisation and application "Murmurine" (on Linux
// $XDG_CONFIG_HOME/Murmurine/Murmurine.conf). Every read goes through a store
// object synced first, so another process's latest write is seen.
class SettingsStore
{
public:
    static QString read(const QString &section, const QString &key);
    static bool write(
        const QString &section, const QString &key, const QString &value, QString *error = nullptr);
    // The file behind the store, for watching it change.
    static QString filePath();
};
