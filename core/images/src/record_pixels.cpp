#include "record_pixels.h"

#include <cstdlib>
#include <cstring>

#include "kaleidra/images/image_limits.h"
#include "kaleidra/records/image_convert.h"

namespace kdr::images_detail {

void adopt_pixels(ImageRecord& image, const ImageShape& geometry, PixelBuffer pixels) {
    if (image.owns != 0 && image.buffer != nullptr) {
        std::free(image.buffer);
    }
    std::memset(image.bias, 0, sizeof image.bias);
    // The readers checked the geometry against image_limits.h, so its sizes
    // fit in the record.
    (void)image_set_shape(image, geometry);
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
    image_set_shape(target, {format, static_cast<std::uint8_t>(image_has_alpha(format) ? 4 : 3),
                             alignment, row_order, source.width, source.height});
    if (!image_allocate(target)) {
        return Error{"out of memory for a " + std::to_string(source.width) + " x " +
                     std::to_string(source.height) + " picture"};
    }
    // The conversion reads alpha through the source's bias; the packed
    // pixels hold the result and have no bias of their own.
    if (!image_convert(source, target, convert_all_rows)) {
        return Error{"the picture cannot be converted"};
    }
    return packed;
}

}  // namespace kdr::images_detail
