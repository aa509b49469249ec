#include "RuntimeFolder.h"

#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace RuntimeFolder {

QString path()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        return {};
    const QString folder = base + QStringLiteral("/murmurine");
    const QByteArray native = QFile::encodeName(folder);

    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return {};

    // lstat, not stat: a symbolic link planted here could lead our sockets and
    // locks into a folder that someone else controls.
    struct stat info;
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return {};
    if ((info.st_mode & 07777) != S_IRWXU && ::chmod(native.constData(), S_IRWXU) != 0)
        return {};
    return folder;
}

} // namespace RuntimeFolder
