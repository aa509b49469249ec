#include "HelpPage.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

QStringList HelpPage::candidates(const QString &applicationFolder)
{
    const QDir folder(applicationFolder);
    return {QDir::cleanPath(folder.filePath(QStringLiteral("help/index.html"))),
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/murmurine/help/index.html")))};
}

QString HelpPage::locate(const QString &applicationFolder)
{
    for (const QString &candidate : candidates(applicationFolder)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}
