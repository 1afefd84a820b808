#include "kaleidra/raster/image_convert.h"

#include "kaleidra/records/image_record.h"

namespace kdr::raster {

bool canvas_to_image(const Canvas& canvas, ImageRecord& image) {
    image_release_all(image);
    image_set_shape(
        image, {format_bgr, 3, 4, row_order_bottom_up, static_cast<std::uint32_t>(canvas.width()),
                static_cast<std::uint32_t>(canvas.height())});
    if (!image_allocate(image)) {
        return false;
    }
    for (int y = 0; y < canvas.height(); ++y) {
        std::uint8_t* row = image_row(image, static_cast<std::uint32_t>(y));
        for (int x = 0; x < canvas.width(); ++x) {
            Rgb p = canvas.pixel(x, y);
            row[x * 3] = p.b;
            row[x * 3 + 1] = p.g;
            row[x * 3 + 2] = p.r;
        }
    }
    return true;
}

Canvas canvas_from_image(const ImageRecord& image) {
    if (!image_has_pixels(image) || (image.bytes_per_pixel != 3 && image.bytes_per_pixel != 4)) {
        return {};
    }
    Canvas canvas(static_cast<int>(image.width), static_cast<int>(image.height));
    // Where red, green and blue sit within a pixel, by format.
    int r = 0, g = 1, b = 2;
    switch (image.format) {
        case format_bgr:
        case format_bgra:
            r = 2, g = 1, b = 0;
            break;
        case format_abgr:
            r = 3, g = 2, b = 1;
            break;
        case format_argb:
            r = 1, g = 2, b = 3;
            break;
        default:
            break;
    }
    for (std::uint32_t y = 0; y < image.height; ++y) {
        for (std::uint32_t x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image_pixel(image, x, y);
            canvas.set(static_cast<int>(x), static_cast<int>(y), {p[r], p[g], p[b]});
        }
    }
    return canvas;
}

}  // namespace kdr::raster
