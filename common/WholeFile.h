#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <optional>

// Files read or written in one piece: the library and its backup, exchange files.
class WholeFile
{
public:
    // The file's bytes, or std::nullopt with a reason when it is missing, a
    // folder, unreadable or larger than maxSize bytes.
    static std::optional<QByteArray> read(const QString &path, qint64 maxSize, QString *error = nullptr);

    // Replaces the file's contents through a temporary file in the same folder
    // and a rename: on any failure the old file stays as it was.
    static bool replace(const QString &path, const QByteArray &bytes, QString *error = nullptr,
        QFileDevice::FileError *code = nullptr);

    // Both names lead to one file (the same path, a link or a hard link).
    static bool isSameFile(const QString &first, const QString &second);
};
