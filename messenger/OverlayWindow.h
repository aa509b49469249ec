#pragma once

#include <QRect>

#include <cstdint>

class QImage;
struct xcb_connection_t;

// The message window while a compositor runs. A compositor shows a newly
// mapped window a frame late but removes an unmapped one at once, so short
// flashes of a mapped window never reach the screen. This window stays mapped
// instead: 32-bit, fully transparent and passing all input through between
// flashes, and a flash changes what it shows, which the compositor carries to
// the screen alike at both edges. Override-redirect, so it is never managed,
// focused or listed in a task bar.
class OverlayWindow
{
public:
    OverlayWindow(xcb_connection_t *connection, std::uint32_t root);
    ~OverlayWindow();
    OverlayWindow(const OverlayWindow &) = delete;
    OverlayWindow &operator=(const OverlayWindow &) = delete;

    // Makes and maps the window, transparent, with the names and type of
    // model (the Messenger's own window) so other programs tell it alike.
    // False when the screen has no 32-bit visual or no input shapes.
    bool create(xcb_connection_t *modelConnection, std::uint32_t model);
    std::uint32_t id() const { return m_window; }

    // While transparent: moves the window to place, raises it above
    // everything and uploads frame, to be shown by show().
    void prepare(const QRect &place, const QImage &frame);
    // Sends the request that shows the prepared frame; returns its sequence.
    unsigned int show();
    // Makes the window transparent again; returns the request's sequence.
    unsigned int clear();

private:
    xcb_connection_t *m_connection;
    std::uint32_t m_root;
    std::uint32_t m_window = 0;
    std::uint32_t m_colormap = 0;
    std::uint32_t m_gc = 0;
    std::uint32_t m_frame = 0; // the prepared frame's pixmap
};
