#include "kaleidra/hostkit/host_pictures.h"

#include <cstring>
#include <string>

#include "kaleidra/records/layout.h"

namespace kdr::hostkit {
namespace {

std::string size_text(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

bool sensible(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= max_picture_side && height <= max_picture_side;
}

host::HostPicture host_layout(std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                              std::int32_t row_length) {
    host::HostPicture picture;
    picture.pixels = pixels;
    picture.format = format_bgra;
    picture.bytes_per_pixel = 4;
    picture.row_order = row_order_bottom_up;
    picture.alignment = 1;
    picture.width = static_cast<std::uint32_t>(width);
    picture.height = static_cast<std::uint32_t>(height);
    picture.row_length = static_cast<std::uint32_t>(row_length);
    picture.stored_rows = static_cast<std::uint32_t>(height);
    return picture;
}

}  // namespace

Result<PixelMapView> view_pixel_map(PremierePixelMapHandle handle) {
    if (handle == nullptr || *handle == nullptr) {
        return Error{"no pixel map"};
    }
    const PremierePixelMap& map = **handle;
    if (map.pixels == nullptr) {
        return Error{"a pixel map without pixels"};
    }
    const std::int64_t width = std::int64_t{map.right} - map.left;
    const std::int64_t height = std::int64_t{map.bottom} - map.top;
    if (!sensible(width, height)) {
        return Error{"a pixel map of " + size_text(width, height) + " pixels"};
    }
    if (map.row_bytes < width * 4) {
        return Error{"rows of " + std::to_string(map.row_bytes) + " bytes in a pixel map " +
                     std::to_string(width) + " pixels wide"};
    }
    return PixelMapView{static_cast<std::uint8_t*>(map.pixels), static_cast<std::int32_t>(width),
                        static_cast<std::int32_t>(height), map.row_bytes};
}

Result<host::HostPicture> pixel_map_picture(const PixelMapView& map, std::int32_t width,
                                            std::int32_t height) {
    if (!sensible(width, height) || width > map.width || height > map.height) {
        return Error{"a " + size_text(width, height) + " frame in a pixel map of " +
                     size_text(map.width, map.height)};
    }
    // The picture begins at the map's first pixel and fills its rows up to
    // the frame's height.
    host::HostPicture picture = host_layout(map.pixels, width, height, map.row_bytes / 4);
    return picture;
}

Result<host::HostPicture> buffer_picture(std::uint8_t* pixels, std::int32_t width,
                                         std::int32_t height) {
    if (pixels == nullptr) {
        return Error{"no pixels"};
    }
    if (!sensible(width, height)) {
        return Error{"a buffer of " + size_text(width, height) + " pixels"};
    }
    return host_layout(pixels, width, height, width);
}

void copy_pixel_map_rows(const PixelMapView& from, const PixelMapView& to, std::int32_t width,
                         std::int32_t height) {
    if (width <= 0 || height <= 0 || width > from.width || width > to.width ||
        height > from.height || height > to.height) {
        return;
    }
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    for (std::int32_t y = 0; y < height; ++y) {
        std::memmove(
            to.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(to.row_bytes),
            from.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(from.row_bytes),
            row);
    }
}

}  // namespace kdr::hostkit
