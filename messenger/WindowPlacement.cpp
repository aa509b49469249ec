#include "WindowPlacement.h"

#include "ValueConversions.h"

#include <cmath>
#include <limits>

namespace {

int wholeTwips(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max()))
        return 0;
    return int(rounded);
}

} // namespace

int WindowPlacement::positionCode(const QString &tag)
{
    return ValueConversions::strictInteger(tag).value_or(Centre);
}

QPoint WindowPlacement::place(int code, QSize window, QSize screen, const RandomDraw &random)
{
    const double freeWidth = double(screen.width()) - window.width();
    const double freeHeight = double(screen.height()) - window.height();
    switch (code) {
    case Centre:
        return {wholeTwips(freeWidth / 2), wholeTwips(freeHeight / 2)};
    case Top:
        return {wholeTwips(freeWidth / 2), EdgeMargin};
    case Bottom:
        return {wholeTwips(freeWidth / 2), wholeTwips(freeHeight - EdgeMargin)};
    default:
        break;
    }
    const double left = random() * freeWidth;
    const double top = random() * freeHeight;
    return {wholeTwips(left), wholeTwips(top)};
}

int WindowPlacement::twipsPerPixel(qreal logicalDpi)
{
    if (!(logicalDpi > 0))
        return 15;
    return std::max(1, int(std::lround(1440.0 / logicalDpi)));
}

int WindowPlacement::toPixels(double twips, int twipsPerPixel)
{
    return wholeTwips(twips / std::max(1, twipsPerPixel));
}

QRect WindowPlacement::toPixels(const QRect &twips, int twipsPerPixelX, int twipsPerPixelY)
{
    return QRect(toPixels(twips.x(), twipsPerPixelX), toPixels(twips.y(), twipsPerPixelY),
        toPixels(twips.width(), twipsPerPixelX), toPixels(twips.height(), twipsPerPixelY));
}
