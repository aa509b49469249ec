#include "X11Watcher.h"

#include <QDeadlineTimer>

#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <thread>
#include <xcb/xcb.h>

namespace {

template <typename T> struct Reply
{
    T *data;
    explicit Reply(T *reply)
        : data(reply)
    { }
    ~Reply() { free(data); }
    T *operator->() const { return data; }
    explicit operator bool() const { return data != nullptr; }
};

} // namespace

X11Watcher::X11Watcher()
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
    m_screen = QSize(it.data->width_in_pixels, it.data->height_in_pixels);
}

X11Watcher::~X11Watcher()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

QSize X11Watcher::screenSize() const
{
    return m_screen;
}

std::uint32_t X11Watcher::findWindow(const QByteArray &wmClass, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        Reply tree(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
        if (tree) {
            const xcb_window_t *children = xcb_query_tree_children(tree.data);
            for (int i = 0; i < xcb_query_tree_children_length(tree.data); ++i) {
                Reply attributes(xcb_get_window_attributes_reply(
                    m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr));
                if (!attributes || !attributes->override_redirect)
                    continue;
                Reply property(xcb_get_property_reply(m_connection,
                    xcb_get_property(
                        m_connection, 0, children[i], XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
                    nullptr));
                if (!property)
                    continue;
                const QByteArray value(static_cast<const char *>(xcb_get_property_value(property.data)),
                    xcb_get_property_value_length(property.data));
                if (value.split('\0').contains(wmClass))
                    return children[i];
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (!deadline.hasExpired());
    return 0;
}

void X11Watcher::watch(std::uint32_t window)
{
    m_watched = window;
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

bool X11Watcher::waitForEvent(int timeoutMs, std::uint8_t type, std::uint32_t window)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const std::uint8_t kind = event->response_type & 0x7f;
            std::uint32_t subject = 0;
            if (kind == XCB_MAP_NOTIFY)
                subject = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
            else if (kind == XCB_UNMAP_NOTIFY)
                subject = reinterpret_cast<xcb_unmap_notify_event_t *>(event)->window;
            free(event);
            if (kind == type && subject == window)
                return true;
        }
        if (xcb_connection_has_error(m_connection) || deadline.hasExpired())
            return false;
        pollfd fd {xcb_get_file_descriptor(m_connection), POLLIN, 0};
        ::poll(&fd, 1, int(std::min<qint64>(deadline.remainingTime(), 100)));
    }
}

std::optional<X11Watcher::Flash> X11Watcher::nextFlash(int timeoutMs)
{
    if (!waitForEvent(timeoutMs, XCB_MAP_NOTIFY, m_watched))
        return std::nullopt;
    Reply geometry(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_watched), nullptr));
    if (!geometry)
        return std::nullopt;
    Flash flash;
    flash.geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
    flash.pixels = grab(flash.geometry);
    return flash;
}

bool X11Watcher::waitForUnmap(int timeoutMs)
{
    return waitForEvent(timeoutMs, XCB_UNMAP_NOTIFY, m_watched);
}

bool X11Watcher::isMapped(std::uint32_t window)
{
    Reply attributes(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::uint32_t X11Watcher::createWindow(const QRect &geometry, QRgb colour)
{
    const xcb_window_t window = xcb_generate_id(m_connection);
    const std::uint32_t values[] = {colour & 0xffffff, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, std::int16_t(geometry.x()),
        std::int16_t(geometry.y()), std::uint16_t(geometry.width()), std::uint16_t(geometry.height()), 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_map_window(m_connection, window);
    xcb_flush(m_connection);
    waitForEvent(5000, XCB_MAP_NOTIFY, window);
    return window;
}

void X11Watcher::setFocus(std::uint32_t window)
{
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
}

std::uint32_t X11Watcher::focus()
{
    Reply reply(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return reply ? reply->focus : 0;
}

QImage X11Watcher::grab(const QRect &rect)
{
    const QRect onScreen = rect.intersected(QRect(QPoint(0, 0), m_screen));
    if (onScreen.isEmpty())
        return {};
    Reply image(xcb_get_image_reply(m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(onScreen.x()),
            std::int16_t(onScreen.y()), std::uint16_t(onScreen.width()), std::uint16_t(onScreen.height()),
            ~0u),
        nullptr));
    if (!image || image->depth < 24)
        return {};
    const int bytes = xcb_get_image_data_length(image.data);
    if (bytes < onScreen.width() * onScreen.height() * 4)
        return {};
    QImage result(onScreen.size(), QImage::Format_RGB32);
    const auto *data = xcb_get_image_data(image.data);
    for (int y = 0; y < onScreen.height(); ++y)
        std::memcpy(
            result.scanLine(y), data + qsizetype(y) * onScreen.width() * 4, size_t(onScreen.width()) * 4);
    return result;
}
