#pragma once

#include <QString>

// The help page shipped with the programs: help/index.html beside the
// executable in a build tree, ../share/murmurine/help/index.html once installed.
class HelpPage
{
public:
    // The first candidate that exists, or empty when neither does.
    static QString locate(const QString &applicationFolder);
    // Both candidates, in the order they are tried.
    static QStringList candidates(const QString &applicationFolder);
};
