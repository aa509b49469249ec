#include "XcbWindowPlace.h"

#include <xcb/xcb.h>

void XcbWindowPlace::placeOnTop(xcb_connection_t *connection, std::uint32_t window, const QRect &place)
{
    const std::uint32_t values[] = {
        std::uint32_t(place.x()),
        std::uint32_t(place.y()),
        std::uint32_t(place.width()),
        std::uint32_t(place.height()),
        XCB_STACK_MODE_ABOVE,
    };
    xcb_configure_window(connection, window,
        XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT
            | XCB_CONFIG_WINDOW_STACK_MODE,
        values);
}
