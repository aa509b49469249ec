#include "PrintWrapped.h"

#include <algorithm>

namespace {

constexpr qsizetype Step = 10;

// A break never splits a character made of two UTF-16 units.
qsizetype keepPairs(const QString &text, qsizetype length)
{
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        return length + 1;
    return length;
}

} // namespace

QStringList PrintWrapped(const QString &text, double pageWidth, const PrintedWidth &printedWidth)
{
    if (printedWidth(text) <= pageWidth)
        return {text};

    QStringList lines;
    QString rest = text;
    qsizetype p = 1;
    for (;;) {
        while (p <= rest.size() && printedWidth(rest.left(p)) < pageWidth - WrapMargin)
            p += Step;
        p -= Step;
        // Even a first character wider than the page is printed, one at least per line.
        p = std::clamp<qsizetype>(p, 1, rest.size());

        // Positions p - 10 to p, counted from 1.
        for (qsizetype position = p; position >= std::max<qsizetype>(1, p - Step); --position) {
            if (rest.at(position - 1) == QLatin1Char(' ')) {
                p = position;
                break;
            }
        }
        p = keepPairs(rest, p);
        lines.append(rest.left(p));
        rest = rest.mid(p);
        if (rest.isEmpty())
            break;
        if (printedWidth(rest) < pageWidth) {
            lines.append(rest);
            break;
        }
    }
    return lines;
}
