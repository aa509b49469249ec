#pragma once

#include <QString>

// The one pair of procedures through which both programs read and write their
// settings and every INI-structured file. "MURMURIN" and "MURMURIN.INI" (exactly,
// letter case included) name the per-user settings store; any other name is a
// path to an INI-structured file.
inline constexpr qsizetype MaxIniValueLength = 1024;

// Values are returned whole up to MaxIniValueLength characters, cut at a NUL.
QString ReadIniFile(const QString &Section, const QString &Entry, const QString &INIFile);

// Returns false, with a reason in error when given, when the value could not be stored.
bool WriteIniFile(const QString &Section, const QString &Entry, const QString &StringToAdd, const QString &INIFile,
                  QString *error = nullptr);

inline const QString SettingsFileName = QStringLiteral("MURMURIN.INI");
inline const QString SettingsSection = QStringLiteral("Settings");
