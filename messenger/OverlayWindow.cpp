#include "OverlayWindow.h"

#include "PixmapUpload.h"
#include "XcbWindowPlace.h"

#include <QImage>

#include <cstdlib>
#include <cstring>
#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return value;
}

xcb_visualid_t argbVisual(const xcb_setup_t *setup, xcb_window_t root)
{
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens)) {
        if (screens.data->root != root)
            continue;
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
             xcb_depth_next(&depths)) {
            if (depths.data->depth != 32)
                continue;
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals)) {
                const xcb_visualtype_t *visual = visuals.data;
                if (visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR && visual->red_mask == 0xff0000
                    && visual->green_mask == 0xff00 && visual->blue_mask == 0xff)
                    return visual->visual_id;
            }
        }
    }
    return 0;
}

// Copies one property of the model window, as it stands, onto window.
void copyProperty(xcb_connection_t *from, xcb_window_t model, xcb_connection_t *to, xcb_window_t window,
    xcb_atom_t property)
{
    if (property == XCB_ATOM_NONE)
        return;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        from, xcb_get_property(from, 0, model, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
    if (reply && reply->type != XCB_ATOM_NONE) {
        xcb_change_property(to, XCB_PROP_MODE_REPLACE, window, property, reply->type, reply->format,
            std::uint32_t(xcb_get_property_value_length(reply) / (reply->format / 8)),
            xcb_get_property_value(reply));
    }
    free(reply);
}

} // namespace

OverlayWindow::OverlayWindow(xcb_connection_t *connection, std::uint32_t root)
    : m_connection(connection)
    , m_root(root)
{ }

OverlayWindow::~OverlayWindow()
{
    if (m_frame)
        xcb_free_pixmap(m_connection, m_frame);
    if (m_gc)
        xcb_free_gc(m_connection, m_gc);
    if (m_window)
        xcb_destroy_window(m_connection, m_window);
    if (m_colormap)
        xcb_free_colormap(m_connection, m_colormap);
    xcb_flush(m_connection);
}

bool OverlayWindow::create(xcb_connection_t *modelConnection, std::uint32_t model)
{
    const xcb_visualid_t visual = argbVisual(xcb_get_setup(m_connection), m_root);
    const xcb_query_extension_reply_t *shape = xcb_get_extension_data(m_connection, &xcb_shape_id);
    // Without an input shape a mapped window would take the clicks meant for
    // what lies below it.
    if (!visual || !shape || !shape->present || !PixmapUpload::supports(m_connection, 32))
        return false;

    m_colormap = xcb_generate_id(m_connection);
    xcb_create_colormap(m_connection, XCB_COLORMAP_ALLOC_NONE, m_colormap, m_root, visual);
    m_window = xcb_generate_id(m_connection);
    // Value order follows the mask bits: back pixel, border pixel, override-redirect, colormap.
    const std::uint32_t values[] = {0, 0, 1, m_colormap};
    xcb_create_window(m_connection, 32, m_window, m_root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
        visual, XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_COLORMAP, values);
    xcb_shape_rectangles(m_connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
        m_window, 0, 0, 0, nullptr);
    m_gc = xcb_generate_id(m_connection);
    xcb_create_gc(m_connection, m_gc, m_window, 0, nullptr);

    for (const char *name : {"WM_CLASS", "WM_NAME", "_NET_WM_NAME", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE"})
        copyProperty(modelConnection, model, m_connection, m_window, atom(m_connection, name));
    // A compositor that draws shadows would frame an invisible window with one.
    const std::uint32_t noShadow = 0;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, atom(m_connection, "_COMPTON_SHADOW"),
        XCB_ATOM_CARDINAL, 32, 1, &noShadow);
    xcb_map_window(m_connection, m_window);
    xcb_flush(m_connection);
    return true;
}

void OverlayWindow::prepare(const QRect &place, const QImage &frame)
{
    if (m_frame)
        xcb_free_pixmap(m_connection, m_frame);
    m_frame = PixmapUpload::upload(m_connection, m_window, m_gc, 32, frame);
    XcbWindowPlace::placeOnTop(m_connection, m_window, place);
    xcb_flush(m_connection);
}

unsigned int OverlayWindow::show()
{
    if (m_frame) {
        const std::uint32_t value = m_frame;
        xcb_change_window_attributes(m_connection, m_window, XCB_CW_BACK_PIXMAP, &value);
        // The window holds its own reference to the pixmap.
        xcb_free_pixmap(m_connection, m_frame);
        m_frame = 0;
    }
    return xcb_clear_area(m_connection, 0, m_window, 0, 0, 0, 0).sequence;
}

unsigned int OverlayWindow::clear()
{
    const std::uint32_t transparent = 0;
    xcb_change_window_attributes(m_connection, m_window, XCB_CW_BACK_PIXEL, &transparent);
    const unsigned int sequence = xcb_clear_area(m_connection, 0, m_window, 0, 0, 0, 0).sequence;
    xcb_flush(m_connection);
    return sequence;
}
