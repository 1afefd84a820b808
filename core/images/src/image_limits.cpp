#include "kaleidra/images/image_limits.h"

#include "kaleidra/records/image_record.h"

namespace kdr {

bool image_geometry_acceptable(ImageRecord& image) {
    if (image.bytes_per_pixel != 3 && image.bytes_per_pixel != 4) {
        return false;
    }
    if (image.alignment != 1 && image.alignment != 2 && image.alignment != 4 &&
        image.alignment != 8) {
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > max_image_dimension ||
        image.height > max_image_dimension) {
        return false;
    }
    if (image.row_length > max_image_dimension || image.stored_rows > max_image_dimension) {
        return false;
    }
    // The window the row addressing reaches must lie inside the stored rows.
    if (static_cast<std::uint64_t>(image.skip_pixels) + image.width > image.row_length ||
        static_cast<std::uint64_t>(image.skip_rows) + image.height > image.stored_rows) {
        return false;
    }
    if (!image_update_sizes(image)) {
        return false;
    }
    return image.size > 0 && image.size <= max_image_bytes;
}

}  // namespace kdr
