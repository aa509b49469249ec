#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

const QScreen *Twips::screenOf(const QWidget *widget)
{
    if (widget && widget->screen())
        return widget->screen();
    return QGuiApplication::primaryScreen();
}

double Twips::perPixelX(const QWidget *widget)
{
    const QScreen *screen = screenOf(widget);
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return PerInch / (dpi > 0 ? dpi : 96.0);
}

double Twips::perPixelY(const QWidget *widget)
{
    const QScreen *screen = screenOf(widget);
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return PerInch / (dpi > 0 ? dpi : 96.0);
}

int Twips::toPixelsX(int twips, const QWidget *widget)
{
    return static_cast<int>(std::lround(twips / perPixelX(widget)));
}

int Twips::toPixelsY(int twips, const QWidget *widget)
{
    return static_cast<int>(std::lround(twips / perPixelY(widget)));
}

int Twips::fromPixelsX(int pixels, const QWidget *widget)
{
    return static_cast<int>(std::lround(pixels * perPixelX(widget)));
}

int Twips::fromPixelsY(int pixels, const QWidget *widget)
{
    return static_cast<int>(std::lround(pixels * perPixelY(widget)));
}

QPoint Twips::toPixels(const QPoint &twips, const QWidget *widget)
{
    return {toPixelsX(twips.x(), widget), toPixelsY(twips.y(), widget)};
}

QSize Twips::toPixels(const QSize &twips, const QWidget *widget)
{
    return {toPixelsX(twips.width(), widget), toPixelsY(twips.height(), widget)};
}

QRect Twips::toPixels(int left, int top, int width, int height, const QWidget *widget)
{
    return {
        toPixelsX(left, widget), toPixelsY(top, widget), toPixelsX(width, widget), toPixelsY(height, widget)};
}
