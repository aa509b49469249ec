#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

// Where the message window goes. Places and sizes are reckoned in twips
// (1440 to the inch) and turned into pixels with whole twips per pixel.
class WindowPlacement
{
public:
    using RandomDraw = std::function<double()>; // uniform in [0, 1)

    enum Code { Centre = 0, Top = 1, Bottom = 2 }; // any other code: a random place
    static constexpr int EdgeMargin = 500;
    static constexpr int MaxTextWidth = 4635;

    // The window's tag as a position code: a whole number (a fraction goes to
    // the nearest one); anything unreadable is the centre.
    static int positionCode(const QString &tag);

    // Top-left corner of a window of size window on a screen of size screen.
    static QPoint place(int code, QSize window, QSize screen, const RandomDraw &random);

    static int twipsPerPixel(qreal logicalDpi);
    static int toPixels(double twips, int twipsPerPixel);
    // A rectangle in twips as the screen pixels it covers, each edge rounded.
    static QRect toPixels(const QRect &twips, int twipsPerPixelX, int twipsPerPixelY);
};
