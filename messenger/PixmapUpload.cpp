#include "PixmapUpload.h"

#include <QImage>

#include <algorithm>
#include <xcb/xcb.h>

bool PixmapUpload::supports(xcb_connection_t *connection, std::uint8_t depth)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || (depth != 24 && depth != 32))
        return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == depth)
            return it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    }
    return false;
}

std::uint32_t PixmapUpload::upload(xcb_connection_t *connection, std::uint32_t drawable, std::uint32_t gc,
    std::uint8_t depth, const QImage &source)
{
    if (source.isNull())
        return 0;
    const QImage frame
        = source.convertToFormat(depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const auto width = std::uint16_t(frame.width());
    const auto height = std::uint16_t(frame.height());
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, depth, pixmap, drawable, width, height);

    // A whole screen is more than one request may carry: send bands of rows.
    const std::uint32_t maxBytes = xcb_get_maximum_request_length(connection) * 4u;
    const std::uint32_t stride = std::uint32_t(frame.bytesPerLine());
    const std::uint32_t headerBytes = 64;
    const int rowsPerRequest = std::max<int>(1, int((maxBytes - headerBytes) / stride));
    for (int y = 0; y < height; y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, height - y);
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, width, std::uint16_t(rows), 0,
            std::int16_t(y), 0, depth, stride * std::uint32_t(rows), frame.constScanLine(y));
    }
    return pixmap;
}
