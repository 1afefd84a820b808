#include "record_image.h"

#include <cstring>

#include "kaleidra/raster/image_convert.h"
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
        (image.bytes_per_pixel != 3 && image.bytes_per_pixel != 4) ||
        // An alpha layout in three bytes would put a channel in the next pixel.
        (image.bytes_per_pixel == 3 && image_has_alpha(image.format)) || !pixels_inside(image)) {
        return {};
    }
    const raster::Canvas canvas = raster::canvas_from_image(image);
    QImage picture(canvas.width(), canvas.height(), QImage::Format_RGB888);
    const std::size_t row_bytes = static_cast<std::size_t>(canvas.width()) * 3;
    for (int y = 0; y < canvas.height(); ++y) {
        std::memcpy(picture.scanLine(y),
                    canvas.bytes().data() + row_bytes * static_cast<std::size_t>(y), row_bytes);
    }
    return picture;
}

}  // namespace kdr::gui
