#include "SettingsStore.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

// The file QSettings(NativeFormat, UserScope, "Murmurine", "Murmurine") uses on
// Linux, named explicitly because QSettings works its user folder out once per
// process, while the folder must follow XDG_CONFIG_HOME each time it is used.
QString storePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Murmurine/Murmurine.conf");
}

QString storeKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QString SettingsStore::read(const QString &section, const QString &key)
{
    QSettings settings(storePath(), QSettings::IniFormat);
    settings.sync();
    return settings.value(storeKey(section, key)).toString();
}

bool SettingsStore::write(const QString &section, const QString &key, const QString &value, QString *error)
{
    QSettings settings(storePath(), QSettings::IniFormat);
    settings.setValue(storeKey(section, key), value);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        if (error) {
            *error = settings.status() == QSettings::AccessError
                ? QStringLiteral("The settings file %1 could not be written.").arg(storePath())
                : QStringLiteral("The settings file %1 is damaged.").arg(storePath());
        }
        return false;
    }
    return true;
}

QString SettingsStore::filePath()
{
    return storePath();
}
