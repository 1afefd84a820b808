#include "record_image.h"

#include "kaleidra/records/image_record.h"

namespace kdr::gui {
namespace {

constexpr std::uint32_t max_side = 4096;

// True when every pixel the geometry names lies inside the buffer's size.
bool pixels_inside(const ImageRecord& image) {
    if (image.offset < 0) {
        return false;
    }
    const std::uint64_t bytes = image.bytes_per_pixel;
    const std::uint64_t row_bytes = bytes * (std::uint64_t{image.width} + image.skip_pixels);
    if (row_bytes > image.stride) {
        return false;
    }
    const std::uint64_t last_row = std::uint64_t{image.skip_rows} + image.height - 1;
    const std::uint64_t end =
        static_cast<std::uint64_t>(image.offset) + last_row * image.stride + row_bytes;
    return end <= image.size;
}

}  // namespace

QImage record_to_image(const ImageRecord& image) {
    if (!image_has_pixels(image) || image.width == 0 || image.height == 0 ||
        image.width > max_side || image.height > max_side ||
        image_format_name(image.format) == nullptr ||
        (image.bytes_per_pixel != 3 && image.bytes_per_pixel != 4) || !pixels_inside(image)) {
        return {};
    }
    // Which byte of a pixel holds red, green and blue.
    int red = 0, green = 1, blue = 2;
    switch (image.format) {
        case format_bgr:
        case format_bgra:
            red = 2, blue = 0;
            break;
        case format_abgr:
            red = 3, green = 2, blue = 1;
            break;
        case format_argb:
            red = 1, green = 2, blue = 3;
            break;
        default:
            break;
    }
    if (image.bytes_per_pixel == 3 && (red > 2 || green > 2 || blue > 2)) {
        return {};
    }
    QImage picture(static_cast<int>(image.width), static_cast<int>(image.height),
                   QImage::Format_RGB888);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        std::uint8_t* target = picture.scanLine(static_cast<int>(y));
        for (std::uint32_t x = 0; x < image.width; ++x) {
            const std::uint8_t* pixel = image_pixel(image, x, y);
            target[3 * x] = pixel[red];
            target[3 * x + 1] = pixel[green];
            target[3 * x + 2] = pixel[blue];
        }
    }
    return picture;
}

}  // namespace kdr::gui
