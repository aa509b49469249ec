#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;
class QScreen;

// Window sizes and places keep the twip values of their design (1440 twips per
// inch); they become pixels through the screen's logical DPI, so 15 twips make
// one pixel at 96 DPI.
class Twips
{
public:
    static constexpr double PerInch = 1440.0;

    // The screen of the widget, or the primary screen when it has none yet.
    static double perPixelX(const QWidget *widget = nullptr);
    static double perPixelY(const QWidget *widget = nullptr);

    static int toPixelsX(int twips, const QWidget *widget = nullptr);
    static int toPixelsY(int twips, const QWidget *widget = nullptr);
    static int fromPixelsX(int pixels, const QWidget *widget = nullptr);
    static int fromPixelsY(int pixels, const QWidget *widget = nullptr);

    static QPoint toPixels(const QPoint &twips, const QWidget *widget = nullptr);
    static QSize toPixels(const QSize &twips, const QWidget *widget = nullptr);
    // left, top, width, height, all in twips
    static QRect toPixels(int left, int top, int width, int height, const QWidget *widget = nullptr);

private:
    static const QScreen *screenOf(const QWidget *widget);
};
