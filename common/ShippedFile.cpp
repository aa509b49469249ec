#include "ShippedFile.h"

#include <QDir>
#include <QFileInfo>

QStringList ShippedFile::candidates(const QString &relativePath, const QString &applicationFolder)
{
    const QDir folder(applicationFolder);
    return {QDir::cleanPath(folder.filePath(relativePath)),
            QDir::cleanPath(folder.filePath(QStringLiteral("../share/murmurine/") + relativePath))};
}

QString ShippedFile::locate(const QString &relativePath, const QString &applicationFolder)
{
    for (const QString &candidate : candidates(relativePath, applicationFolder)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}
