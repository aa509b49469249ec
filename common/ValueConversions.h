#pragma once

#include <QString>
#include <optional>

// How stored setting values turn into numbers.
namespace ValueConversions {

// The leading-number parse: blanks are skipped and the longest numeric prefix
// (sign, digits, decimal point, exponent) is taken; no leading number reads as 0.
double leadingNumber(const QString &text);

// leadingNumber rounded half to even and clamped into the int range.
int leadingInteger(const QString &text);

// The strict whole-text integer conversion used for colours and Position:
// optional blanks around an optionally signed decimal integer (a fraction is
// rounded half to even), nothing else. Values outside 32 bits are refused.
std::optional<qint32> strictInteger(const QString &text);

// Transparent unless BackColour is non-empty and BackColourTransparent reads as 0.
bool isTransparentBackground(const QString &backColour, const QString &backColourTransparent);

} // namespace ValueConversions
