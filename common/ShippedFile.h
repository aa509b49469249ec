#pragma once

#include <QString>
#include <QStringList>

// A file shipped with the programs: beside the executable in a build tree,
// in ../share/murmurine once installed.
class ShippedFile
{
public:
    // Both places for relativePath, in the order they are tried.
    static QStringList candidates(const QString &relativePath, const QString &applicationFolder);
    // The first candidate that is a file, or empty.
    static QString locate(const QString &relativePath, const QString &applicationFolder);
};
