#pragma once

#include <QList>
#include <QRect>
#include <QRgb>
#include <QString>

#include <cstdint>

struct xcb_connection_t;

// Looks at one rectangle of the screen again and again, from a connection of
// its own, the way a user's eye would: it reads the root window's pixels,
// which under a compositor hold what the compositor shows. Each look finds
// the text colour, nothing but the desktop colour, or something else.
class ScreenSampler
{
public:
    enum class Look { Text, Clear, Stained, Failed };

    // One stretch of looks that all found the text, on CLOCK_MONOTONIC.
    struct Appearance
    {
        long long startNs = 0; // the first look that found it
        long long endNs = 0; // the first look that no longer did
        bool whole = false; // both edges seen within the watch
        int looks = 0;
        double ms() const { return double(endNs - startNs) / 1e6; }
    };

    struct Report
    {
        QList<Appearance> appearances;
        int textLooks = 0;
        int clearLooks = 0;
        int stainedLooks = 0;
        QRgb stain = 0; // a pixel of the last stained look that was neither colour

        QList<Appearance> whole() const;
        QString toString() const;
    };

    // Text is found at MinTextPixels pixels of exactly its colour.
    static constexpr int MinTextPixels = 10;

    ScreenSampler(const QString &display, const QRect &area, QRgb text, QRgb desktop);
    ~ScreenSampler();
    ScreenSampler(const ScreenSampler &) = delete;
    ScreenSampler &operator=(const ScreenSampler &) = delete;

    bool isValid() const { return m_root != 0; }

    Look look();
    // Looks for ms milliseconds, with hardly a pause between looks.
    Report watch(int ms);
    // Looks until one finds that; false when none did in time.
    bool waitFor(Look that, int timeoutMs);

    static long long nowNs();

private:
    static void pause();

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
    QRect m_area;
    QRgb m_text;
    QRgb m_desktop;
    QRgb m_lastStain = 0;
};
