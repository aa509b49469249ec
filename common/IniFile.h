#pragma once

#include "IniDocument.h"

#include <QList>
#include <QString>
#include <memory>

// INI-structured files on disk. Reads go through a parsed copy per file that is
// checked against the file's identity (device, inode, size, modification time in
// nanoseconds) before every use, so a change made by another process is always
// seen. Writes replace the whole file atomically (temporary file in the same
// folder, then rename): a reader never sees half a file and a failure leaves
// the old file as it was.
class IniFile
{
public:
    // The value of a missing file, section or key is empty; a value is cut at
    // its first NUL.
    static QString read(const QString &path, const QString &section, const QString &key);

    // The parsed file as it is now, for reading many values of one consistent
    // state; an empty document when the file is missing or unreadable.
    static std::shared_ptr<const IniDocument> load(const QString &path);

    static bool write(const QString &path, const QString &section, const QString &key, const QString &value,
                      QString *error = nullptr);

    // Several values in one atomic replacement of the file: all of them land or none.
    static bool write(const QString &path, const QList<IniDocument::Assignment> &assignments,
                      QString *error = nullptr);

    // Drops every parsed copy (benchmarks use it to measure a cold load).
    static void clearCache();
};
