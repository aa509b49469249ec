#include "ListRows.h"

namespace {

const QString MarkedPrefix = QStringLiteral("Yes\t");
const QString UnmarkedPrefix = QStringLiteral("No \t");
constexpr qsizetype PrefixLength = 4;

bool breaksLine(QChar c)
{
    if (c == QLatin1Char('\t'))
        return false;
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator
        || c == QChar::ParagraphSeparator;
}

} // namespace

QString ListRows::row(const MarkedEntry &entry)
{
    return (entry.marked ? MarkedPrefix : UnmarkedPrefix) + entry.text;
}

QString ListRows::StripMark(const QString &row)
{
    return row.mid(PrefixLength);
}

bool ListRows::isMarked(const QString &row)
{
    return row.startsWith(QLatin1Char('Y'));
}

MarkedEntry ListRows::entry(const QString &row)
{
    return {isMarked(row), StripMark(row)};
}

QString ListRows::toggled(const QString &row)
{
    return (row.startsWith(QLatin1Char('N')) ? QStringLiteral("Yes") : QStringLiteral("No ")) + row.mid(3);
}

bool ListRows::isFileEntry(const QString &text)
{
    const QString head = text.left(10);
    return head == PictureTag || head == TextFileTag.left(10);
}

QString ListRows::singleLine(const QString &text)
{
    QString result;
    result.reserve(text.size());
    bool inBreak = false;
    for (const QChar c : text) {
        if (breaksLine(c)) {
            if (!inBreak)
                result.append(QLatin1Char(' '));
            inBreak = true;
            continue;
        }
        inBreak = false;
        result.append(c);
    }
    return result;
}

QString ListRows::cut(const QString &text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

QString ListRows::messageText(const QString &text)
{
    return cut(singleLine(text).trimmed(), MaxMessageLength).trimmed();
}
