#include "vx_bitmap.h"

#include "kaleidra/hostkit/host_pictures.h"

namespace kdr::vxdll {

Result<host::HostPicture> bitmap_picture(const hostkit::VxBitmapHeader* header,
                                         std::uint8_t* pixels) {
    if (header == nullptr) {
        return Error{"no bitmap header"};
    }
    return bitmap_picture(header, pixels, FrameArea{0, 0, header->width, header->height});
}

Result<host::HostPicture> bitmap_picture(const hostkit::VxBitmapHeader* header,
                                         std::uint8_t* pixels, const FrameArea& area) {
    if (header == nullptr || pixels == nullptr) {
        return Error{"no bitmap"};
    }
    const std::int64_t width = header->width;
    const std::int64_t height = header->height;
    if (width <= 0 || height <= 0 || width > hostkit::max_picture_side ||
        height > hostkit::max_picture_side) {
        return Error{"a bitmap of " + std::to_string(width) + " x " + std::to_string(height)};
    }
    if (area.x < 0 || area.y < 0 || area.width <= 0 || area.height <= 0 ||
        std::int64_t{area.x} + area.width > width || std::int64_t{area.y} + area.height > height) {
        return Error{"a frame outside its bitmap"};
    }
    host::HostPicture picture;
    picture.pixels = pixels;
    picture.format = format_bgr;
    picture.bytes_per_pixel = 3;
    picture.row_order = row_order_bottom_up;
    picture.alignment = 4;
    picture.width = static_cast<std::uint32_t>(area.width);
    picture.height = static_cast<std::uint32_t>(area.height);
    picture.row_length = static_cast<std::uint32_t>(width);
    picture.stored_rows = static_cast<std::uint32_t>(height);
    picture.skip_pixels = static_cast<std::uint32_t>(area.x);
    picture.skip_rows = static_cast<std::uint32_t>(area.y);
    return picture;
}

}  // namespace kdr::vxdll
