#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

std::optional<QByteArray> WholeFile::read(const QString &path, qint64 maxSize, QString *error)
{
    const QFileInfo info(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (info.isDir()) {
        setError(error, QStringLiteral("%1 is a folder, not a file.").arg(shown));
        return std::nullopt;
    }
    if (!info.exists()) {
        setError(error, QStringLiteral("There is no file %1.").arg(shown));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1 could not be read: %2").arg(shown, file.errorString()));
        return std::nullopt;
    }
    // Read one byte past the limit rather than trust the size: the file may be
    // growing, or be a device that reports none.
    QByteArray bytes = file.read(maxSize + 1);
    if (file.error() != QFileDevice::NoError) {
        setError(error, QStringLiteral("%1 could not be read: %2").arg(shown, file.errorString()));
        return std::nullopt;
    }
    if (bytes.size() > maxSize) {
        setError(error, QStringLiteral("%1 is larger than %2 KB.").arg(shown).arg(maxSize / 1024));
        return std::nullopt;
    }
    return bytes;
}

bool WholeFile::replace(
    const QString &path, const QByteArray &bytes, QString *error, QFileDevice::FileError *code)
{
    if (QFileInfo(path).isDir()) {
        setError(error, QStringLiteral("%1 is a folder.").arg(QDir::toNativeSeparators(path)));
        if (code)
            *code = QFileDevice::OpenError;
        return false;
    }
    QSaveFile file(path);
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved)
        saved = file.write(bytes) == bytes.size() && file.commit();
    if (!saved) {
        setError(error, file.errorString());
        if (code)
            *code = file.error() == QFileDevice::NoError ? QFileDevice::WriteError : file.error();
        file.cancelWriting();
    }
    return saved;
}

bool WholeFile::isSameFile(const QString &first, const QString &second)
{
    struct stat a;
    struct stat b;
    if (::stat(QFile::encodeName(first).constData(), &a) != 0
        || ::stat(QFile::encodeName(second).constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
