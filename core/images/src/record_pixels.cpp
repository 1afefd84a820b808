#include "record_pixels.h"

#include <cstdlib>
#include <cstring>

#include "kaleidra/images/image_limits.h"
#include "kaleidra/records/image_convert.h"

namespace kdr::images_detail {

void adopt_pixels(ImageRecord& image, const PixelGeometry& geometry, PixelBuffer pixels) {
    if (image.owns != 0 && image.buffer != nullptr) {
        std::free(image.buffer);
    }
    image.format = geometry.format;
    image.bytes_per_pixel = geometry.bytes_per_pixel;
    image.alignment = geometry.alignment;
    image.row_order = geometry.row_order;
    image.width = image.row_length = geometry.width;
    image.height = image.stored_rows = geometry.height;
    image.skip_rows = 0;
    image.skip_pixels = 0;
    std::memset(image.bias, 0, sizeof image.bias);
    image.offset = 0;
    (void)image_update_sizes(image);
    image.buffer = pixels.release();
    image.owns = image.buffer != nullptr ? 1 : 0;
}

Result<OwnedImage> repack(const ImageRecord& source, std::uint8_t format, std::uint8_t row_order,
                          std::uint8_t alignment) {
    if (source.buffer == nullptr) {
        return Error{"the picture has no pixels"};
    }
    if (!image_layout_supported(source.format, source.bytes_per_pixel)) {
        return Error{"pixel format " + std::to_string(source.format) + " with " +
                     std::to_string(source.bytes_per_pixel) + " bytes a pixel is not supported"};
    }
    if (source.width == 0 || source.height == 0 || source.width > max_image_dimension ||
        source.height > max_image_dimension) {
        return Error{"the picture's size " + std::to_string(source.width) + " x " +
                     std::to_string(source.height) + " is outside 1 .. " +
                     std::to_string(max_image_dimension)};
    }
    OwnedImage packed;
    ImageRecord& target = packed.record();
    target.format = format;
    target.bytes_per_pixel = image_has_alpha(format) ? 4 : 3;
    target.alignment = alignment;
    target.row_order = row_order;
    target.width = target.row_length = source.width;
    target.height = target.stored_rows = source.height;
    if (!image_allocate(target)) {
        return Error{"out of memory for a " + std::to_string(source.width) + " x " +
                     std::to_string(source.height) + " picture"};
    }
    std::memcpy(target.bias, source.bias, sizeof target.bias);
    if (!image_convert(source, target, convert_all_rows)) {
        return Error{"the picture cannot be converted"};
    }
    return packed;
}

}  // namespace kdr::images_detail
