#pragma once

#include "DataFile.h"

#include <QString>

// The rows of the manager's two lists: "Yes" or "No " (both three characters),
// a TAB, then the category name or message entry. The list order is the key
// order of the data file, row i showing key i + 1.
class ListRows
{
public:
    static constexpr int MaxCategoryLength = 50;
    static constexpr int MaxMessageLength = 300;

    static inline const QString PictureTag = QStringLiteral("#PICTURE# ");
    static inline const QString TextFileTag = QStringLiteral("#TEXTFILE# ");

    static QString row(const MarkedEntry &entry);
    // The text after the mark and the TAB, whatever the mark.
    static QString StripMark(const QString &row);
    // Only a row that starts with "Y" counts as marked.
    static bool isMarked(const QString &row);
    static MarkedEntry entry(const QString &row);
    static QString toggled(const QString &row);

    // A picture or text-file entry, which is chosen from a file and never edited as text.
    static bool isFileEntry(const QString &text);

    // Text pasted into a one-line box can still carry line breaks and other
    // control characters, which a data-file value cannot hold: each run of them
    // becomes one space. TABs stay.
    static QString singleLine(const QString &text);
    // The first length characters, never splitting a surrogate pair.
    static QString cut(const QString &text, qsizetype length);
    // A message as it can be stored: one line, trimmed, at most MaxMessageLength characters.
    static QString messageText(const QString &text);
};
