#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>

#include <cstdint>
#include <optional>

struct xcb_connection_t;

// A separate X client that looks at the screen the way a user would: it finds
// the Messenger's window, hears every map and unmap of it, and reads the
// pixels on screen right after a map.
class X11Watcher
{
public:
    struct Flash
    {
        QRect geometry;
        QImage pixels; // what the screen showed at the window's place just after the map
    };

    X11Watcher();
    ~X11Watcher();
    X11Watcher(const X11Watcher &) = delete;
    X11Watcher &operator=(const X11Watcher &) = delete;

    bool isValid() const { return m_connection != nullptr; }
    QSize screenSize() const;

    // The override-redirect top-level window of that WM_CLASS, once it exists.
    std::uint32_t findWindow(const QByteArray &wmClass, int timeoutMs);
    void watch(std::uint32_t window);
    // The next map of the watched window.
    std::optional<Flash> nextFlash(int timeoutMs);
    bool waitForUnmap(int timeoutMs);
    bool isMapped(std::uint32_t window);

    // An ordinary top-level window filled with colour, mapped and ready.
    std::uint32_t createWindow(const QRect &geometry, QRgb colour);
    void setFocus(std::uint32_t window);
    std::uint32_t focus();
    QImage grab(const QRect &rect);

private:
    bool waitForEvent(int timeoutMs, std::uint8_t type, std::uint32_t window);

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_watched = 0;
    QSize m_screen;
    bool m_pendingMap = false;
    bool m_pendingUnmap = false;
};
