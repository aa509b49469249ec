#pragma once

#include "DataFolder.h"
#include "IniProcedures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

// What the Messenger's cycle and end-to-end tests share.

inline void setSetting(const QString &key, const QString &value)
{
    QVERIFY(WriteIniFile(SettingsSection, key, value, SettingsFileName));
}

inline QString setting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// One marked category with these messages, all marked, beside an unmarked
// message and an unmarked category that must never show.
inline void writeLibrary(const QString &home, const QStringList &messages)
{
    QByteArray text = "[Categories]\n1=1Test\n2=0Hidden\n[Hidden]\n1=1never shown\n[Test]\n";
    for (qsizetype i = 0; i < messages.size(); ++i)
        text += QByteArray::number(i + 1) + "=1" + messages[i].toUtf8() + "\n";
    writeFile(DataFolder::dataFilePath(DataFolder::locate(home)), text + "99=0unmarked\n");
}
