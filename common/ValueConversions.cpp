#include "ValueConversions.h"

#include <cmath>
#include <limits>

namespace ValueConversions {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode is to nearest, ties to even
}

double radixNumber(const QString &digits, int base)
{
    double value = 0;
    for (const QChar c : digits) {
        const int digit = c.isDigit() ? c.digitValue() : (c.toLower().unicode() - 'a' + 10);
        if (digit < 0 || digit >= base)
            break;
        value = value * base + digit;
    }
    return value;
}

} // namespace

double leadingNumber(const QString &text)
{
    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (!isBlank(c))
            compact.append(c);
    }
    if (compact.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        return radixNumber(compact.mid(2), 16);
    if (compact.startsWith(QLatin1String("&O"), Qt::CaseInsensitive))
        return radixNumber(compact.mid(2), 8);

    qsizetype end = 0;
    const auto digitsFrom = [&compact](qsizetype i) {
        while (i < compact.size() && compact.at(i).isDigit() && compact.at(i).unicode() < 128)
            ++i;
        return i;
    };
    if (end < compact.size() && (compact.at(end) == QLatin1Char('+') || compact.at(end) == QLatin1Char('-')))
        ++end;
    const qsizetype intStart = end;
    end = digitsFrom(end);
    bool haveDigits = end > intStart;
    if (end < compact.size() && compact.at(end) == QLatin1Char('.')) {
        const qsizetype fracEnd = digitsFrom(end + 1);
        haveDigits = haveDigits || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!haveDigits)
        return 0;
    if (end < compact.size()) {
        const QChar e = compact.at(end).toLower();
        if (e == QLatin1Char('e') || e == QLatin1Char('d')) {
            qsizetype expEnd = end + 1;
            if (expEnd < compact.size()
                && (compact.at(expEnd) == QLatin1Char('+') || compact.at(expEnd) == QLatin1Char('-')))
                ++expEnd;
            const qsizetype expDigits = digitsFrom(expEnd);
            if (expDigits > expEnd) {
                compact[end] = QLatin1Char('e');
                end = expDigits;
            }
        }
    }
    bool ok = false;
    const double value = compact.left(end).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

int leadingInteger(const QString &text)
{
    const double value = roundHalfEven(leadingNumber(text));
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(value);
}

std::optional<qint32> strictInteger(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    if (i < trimmed.size() && (trimmed.at(i) == QLatin1Char('+') || trimmed.at(i) == QLatin1Char('-')))
        ++i;
    const qsizetype digitsStart = i;
    while (i < trimmed.size() && trimmed.at(i).unicode() >= '0' && trimmed.at(i).unicode() <= '9')
        ++i;
    qsizetype digits = i - digitsStart;
    if (i < trimmed.size() && trimmed.at(i) == QLatin1Char('.')) {
        const qsizetype fracStart = ++i;
        while (i < trimmed.size() && trimmed.at(i).unicode() >= '0' && trimmed.at(i).unicode() <= '9')
            ++i;
        digits += i - fracStart;
    }
    if (digits == 0 || i != trimmed.size())
        return std::nullopt;
    bool ok = false;
    const double value = roundHalfEven(trimmed.toDouble(&ok));
    if (!ok || value < double(std::numeric_limits<qint32>::min())
        || value > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(value);
}

bool isTransparentBackground(const QString &backColour, const QString &backColourTransparent)
{
    return backColour.isEmpty() || leadingNumber(backColourTransparent) != 0;
}

} // namespace ValueConversions
