#pragma once

#include <QHash>
#include <QString>

// The distributor's details for the About box: a small text file in the
// application folder, usually written on Windows (Windows-1252, CRLF).
// Read with a scanner of its own rather than the INI reader: a line that
// begins with a key name (any letter case) followed by "=" gives that key
// its value, the last such line wins, and section headers are not looked at.
class CustomiseFile
{
public:
    static const QString FileName;
    // Only the beginning of the file is read, so a huge file costs no more than a small one.
    static constexpr qsizetype MaxBytes = 64 * 1024;

    // A missing or unreadable file reads as one without any key.
    static CustomiseFile load(const QString &applicationFolder);
    static CustomiseFile parse(QByteArrayView content, bool truncated = false);

    // The empty string for a key that is missing or whose value is not a line of text.
    QString value(const QString &key) const;

private:
    QHash<QString, QString> m_values; // by key name in lower case
};
