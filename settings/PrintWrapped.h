#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The printed width of a text, in the same units as the page width.
using PrintedWidth = std::function<double(const QString &text)>;

// The lines that one text is printed as on a page pageWidth wide: the whole
// text when it fits; otherwise, with a length counter that grows in steps of 10
// while the first characters stay narrower than pageWidth - WrapMargin and that
// carries over from one line to the next, a piece at a time, broken after the
// last space among the last ten characters that were measured to fit, or after
// them when there is none. The rest is printed whole once it is narrower than
// the page.
QStringList PrintWrapped(const QString &text, double pageWidth, const PrintedWidth &printedWidth);

// The margin of the counter's measurement, in twips, the units the list is printed in.
inline constexpr double WrapMargin = 1000;
