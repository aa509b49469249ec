#include "IniProcedures.h"

#include "IniFile.h"
#include "SettingsStore.h"

namespace {

bool namesSettingsStore(const QString &iniFile)
{
    return iniFile == QLatin1String("MURMURIN") || iniFile == SettingsFileName;
}

} // namespace

QString ReadIniFile(const QString &Section, const QString &Entry, const QString &INIFile)
{
    QString value = namesSettingsStore(INIFile) ? SettingsStore::read(Section, Entry)
                                                : IniFile::read(INIFile, Section, Entry);
    const qsizetype nul = value.indexOf(QChar(0));
    if (nul >= 0)
        value.truncate(nul);
    value.truncate(MaxIniValueLength);
    return value;
}

bool WriteIniFile(const QString &Section, const QString &Entry, const QString &StringToAdd, const QString &INIFile,
                  QString *error)
{
    if (namesSettingsStore(INIFile))
        return SettingsStore::write(Section, Entry, StringToAdd, error);
    return IniFile::write(INIFile, Section, Entry, StringToAdd, error);
}
