#pragma once

#include <QRect>

#include <cstdint>

struct xcb_connection_t;

namespace XcbWindowPlace {

// Moves and sizes window to place (in the server's pixels) and raises it
// above its siblings, in one request; not flushed.
void placeOnTop(xcb_connection_t *connection, std::uint32_t window, const QRect &place);

} // namespace XcbWindowPlace
