#pragma once

#include <cstdint>

class QImage;
struct xcb_connection_t;

// Puts a QImage into a new X pixmap, for a window's background.
namespace PixmapUpload {

// Whether the server keeps pixmaps of depth as 32-bit little-endian pixels,
// which is what QImage holds.
bool supports(xcb_connection_t *connection, std::uint8_t depth);
// A pixmap of depth 24 or 32 on drawable's screen holding frame, or 0 for a
// null frame. A 32-bit one is opaque where the frame is.
std::uint32_t upload(xcb_connection_t *connection, std::uint32_t drawable, std::uint32_t gc,
    std::uint8_t depth, const QImage &frame);

} // namespace PixmapUpload
