#include "SettingsTestSupport.h"

#include "IniProcedures.h"

#include <QFile>
#include <QFileInfo>

namespace SettingsTestSupport {

void storeSettings(const QMap<QString, QString> &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        WriteIniFile(SettingsSection, it.key(), it.value(), SettingsFileName);
}

QString storedSetting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

void writeLibrary(const QString &dataFile, const QString &category, const QStringList &messages)
{
    QDir().mkpath(QFileInfo(dataFile).absolutePath());
    QFile file(dataFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QString text = QStringLiteral("[Categories]\n1=1%1\n\n[%1]\n").arg(category);
    for (int i = 0; i < messages.size(); ++i)
        text += QStringLiteral("%1=1%2\n").arg(i + 1).arg(messages.at(i));
    file.write(text.toUtf8());
}

} // namespace SettingsTestSupport
