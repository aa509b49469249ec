#include "DataFolder.h"

#include "ShippedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString profileOrHome(const QString &profileFolder)
{
    if (!profileFolder.isEmpty())
        return profileFolder;
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

bool isVisibleDirectory(const QString &parent, const QString &name)
{
    const QFileInfo info(parent + QLatin1Char('/') + name);
    // exists() alone would accept "documents" for "Documents" on a file system
    // that ignores letter case; the name must match exactly.
    return info.isDir() && !info.isHidden() && QDir(parent).entryList(QDir::Dirs).contains(name);
}

// All or nothing, so that an interrupted first run never leaves half a library
// that the next start would take for the user's own.
void copyAtomically(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return;
    QSaveFile target(to);
    if (target.open(QIODevice::WriteOnly) && target.write(bytes) == bytes.size())
        target.commit();
}

} // namespace

QString DataFolder::locate(const QString &profileFolder)
{
    const QString profile = profileOrHome(profileFolder);
    QString base = profile;
    for (const char *candidate : {"Documents", "Mes Documents", "My Documents"}) {
        const QString name = QLatin1String(candidate);
        if (isVisibleDirectory(profile, name))
            base = profile + QLatin1Char('/') + name;
    }
    return base + QStringLiteral("/Murmurine");
}

QString DataFolder::FindDataFolder(const QString &profileFolder, const QString &factoryDataFile)
{
    const QString folder = locate(profileFolder);
    if (!QFileInfo(folder).isDir())
        QDir().mkdir(folder);
    const QString dataFile = dataFilePath(folder);
    if (!QFileInfo::exists(dataFile)) {
        const QString factory = factoryDataFile.isEmpty() ? DataFolder::factoryDataFile() : factoryDataFile;
        if (!factory.isEmpty())
            copyAtomically(factory, dataFile);
    }
    return folder;
}

QString DataFolder::factoryDataFile()
{
    return ShippedFile::locate(QStringLiteral("data.txt"), QCoreApplication::applicationDirPath());
}

QString DataFolder::dataFilePath(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("/DATA.TXT");
}

QString DataFolder::backupFilePath(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("/BACKUP.DAT");
}
