#pragma once

#include <QDeadlineTimer>
#include <QImage>
#include <QRect>

#include <cstdlib>
#include <memory>
#include <optional>
#include <poll.h>
#include <xcb/xcb.h>

// A separate X client that looks at the screen the way a user would: it hears
// each map and unmap of a top-level window, takes an override-redirect one for
// the Messenger's flash, and reads the pixels on screen right after its map.
class X11Watcher
{
public:
    struct Flash
    {
        QRect geometry;
        QImage pixels; // what the screen showed at the window's place just after the map
        QList<QByteArray> wmClass;
    };

    X11Watcher()
    {
        int screenNumber = 0;
        m_connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_connection))
            return;
        auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem)
            return;
        m_root = it.data->root;
        m_screen = QRect(0, 0, it.data->width_in_pixels, it.data->height_in_pixels);
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~X11Watcher() { xcb_disconnect(m_connection); }
    X11Watcher(const X11Watcher &) = delete;
    X11Watcher &operator=(const X11Watcher &) = delete;

    bool isValid() const { return m_root != 0; }

    std::optional<Flash> nextFlash(int timeoutMs)
    {
        if (!(m_flash = waitForEvent(timeoutMs, XCB_MAP_NOTIFY, 0)))
            return std::nullopt;
        const auto geometry
            = owned(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_flash), nullptr));
        const auto wmClass = owned(xcb_get_property_reply(m_connection,
            xcb_get_property(m_connection, 0, m_flash, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr));
        if (!geometry || !wmClass)
            return std::nullopt;
        const QRect r(geometry->x, geometry->y, geometry->width, geometry->height);
        Flash flash {r, {},
            QByteArray(static_cast<const char *>(xcb_get_property_value(wmClass.get())),
                xcb_get_property_value_length(wmClass.get()))
                .split('\0')};
        const auto image = owned(xcb_get_image_reply(m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(r.x()),
                std::int16_t(r.y()), std::uint16_t(r.width()), std::uint16_t(r.height()), ~0u),
            nullptr));
        if (image && image->depth >= 24
            && xcb_get_image_data_length(image.get()) >= r.width() * r.height() * 4)
            flash.pixels = QImage(
                xcb_get_image_data(image.get()), r.width(), r.height(), r.width() * 4, QImage::Format_RGB32)
                               .copy();
        return flash;
    }

    bool waitForUnmap(int timeoutMs) { return m_flash && waitForEvent(timeoutMs, XCB_UNMAP_NOTIFY, m_flash); }

    // An ordinary top-level window over the whole screen, filled with colour, mapped and focused.
    std::uint32_t createDesktop(QRgb colour)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        const std::uint32_t background = colour & 0xffffff;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0,
            std::uint16_t(m_screen.width()), std::uint16_t(m_screen.height()), 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, &background);
        xcb_map_window(m_connection, window);
        xcb_flush(m_connection);
        waitForEvent(5000, XCB_MAP_NOTIFY, window);
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        return window;
    }

    std::uint32_t focus()
    {
        const auto reply
            = owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        return reply ? reply->focus : 0;
    }

    // The top-level window that a click at point would reach.
    std::uint32_t windowTakingClicksAt(QPoint point)
    {
        xcb_warp_pointer(
            m_connection, XCB_NONE, m_root, 0, 0, 0, 0, std::int16_t(point.x()), std::int16_t(point.y()));
        const auto reply
            = owned(xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
        return reply ? reply->child : 0;
    }

private:
    template <typename T> static std::unique_ptr<T, void (*)(void *)> owned(T *reply)
    {
        return {reply, &std::free};
    }

    // The window of the next notice of that type about window, or, for 0, about
    // any override-redirect window; 0 when none came in time.
    std::uint32_t waitForEvent(int timeoutMs, std::uint8_t type, std::uint32_t window)
    {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            while (
                auto *event = reinterpret_cast<xcb_map_notify_event_t *>(xcb_poll_for_event(m_connection))) {
                // An unmap notice keeps its window at the same place as a map notice.
                const bool match = (event->response_type & 0x7f) == type
                    && (window ? event->window == window : event->override_redirect != 0);
                const std::uint32_t subject = event->window;
                std::free(event);
                if (match)
                    return subject;
            }
            if (xcb_connection_has_error(m_connection) || deadline.hasExpired())
                return 0;
            pollfd fd {xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&fd, 1, int(std::min<qint64>(deadline.remainingTime(), 100)));
        }
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_window_t m_flash = 0;
    QRect m_screen;
};
