#include "kaleidra/plugin_resources/bitmap_resource.h"

#include <string>

#include "bytes.h"

namespace kdr::plugin_resources {
namespace {

constexpr std::int32_t max_side = 4096;

std::uint32_t padded_row(std::int32_t width, std::uint16_t bits) {
    const std::uint32_t bytes = static_cast<std::uint32_t>(width) * (bits / 8u);
    return (bytes + 3u) & ~3u;
}

}  // namespace

Result<BitmapShape> describe_bitmap(std::span<const std::uint8_t> resource) {
    if (resource.size() < bitmap_header_size) {
        return Error{"a bitmap of " + std::to_string(resource.size()) +
                     " bytes has no 40-byte header"};
    }
    if (get32(resource, 0) != bitmap_header_size) {
        return Error{"a bitmap header of " + std::to_string(get32(resource, 0)) +
                     " bytes (40 expected)"};
    }
    BitmapShape shape;
    shape.width = static_cast<std::int32_t>(get32(resource, 4));
    shape.height = static_cast<std::int32_t>(get32(resource, 8));
    const std::uint16_t planes = get16(resource, 12);
    shape.bits = get16(resource, 14);
    const std::uint32_t compression = get32(resource, 16);
    if (shape.width <= 0 || shape.height <= 0 || shape.width > max_side ||
        shape.height > max_side) {
        return Error{"a bitmap of " + std::to_string(shape.width) + " x " +
                     std::to_string(shape.height) + " pixels (1 to 4096 each, rows bottom first)"};
    }
    if (planes != 1 || (shape.bits != 24 && shape.bits != 32) || compression != 0) {
        return Error{"a bitmap of " + std::to_string(shape.bits) + " bits, " +
                     std::to_string(planes) + " planes, compression " +
                     std::to_string(compression) + " (24 or 32 bits, 1 plane, uncompressed)"};
    }
    shape.row_bytes = padded_row(shape.width, shape.bits);
    shape.pixel_bytes = shape.row_bytes * static_cast<std::uint32_t>(shape.height);
    if (resource.size() - bitmap_header_size != shape.pixel_bytes) {
        return Error{"a " + std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                     " bitmap needs " + std::to_string(shape.pixel_bytes) + " bytes of pixels, " +
                     std::to_string(resource.size() - bitmap_header_size) + " follow the header"};
    }
    return shape;
}

std::vector<std::uint8_t> make_bitmap_resource(std::int32_t width, std::int32_t height,
                                               std::span<const std::uint8_t> rgb_top_down) {
    const std::uint32_t row_bytes = padded_row(width, 24);
    const std::uint32_t pixel_bytes = row_bytes * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> resource(bitmap_header_size + pixel_bytes, 0);
    put32(resource, 0, bitmap_header_size);
    put32(resource, 4, static_cast<std::uint32_t>(width));
    put32(resource, 8, static_cast<std::uint32_t>(height));
    put16(resource, 12, 1);
    put16(resource, 14, 24);
    put32(resource, 20, pixel_bytes);
    for (std::int32_t y = 0; y < height; ++y) {
        // Rows bottom first.
        std::uint8_t* row = resource.data() + bitmap_header_size +
                            static_cast<std::size_t>(height - 1 - y) * row_bytes;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::size_t from = (static_cast<std::size_t>(y) * width + x) * 3;
            if (from + 2 >= rgb_top_down.size()) {
                continue;
            }
            row[x * 3] = rgb_top_down[from + 2];
            row[x * 3 + 1] = rgb_top_down[from + 1];
            row[x * 3 + 2] = rgb_top_down[from];
        }
    }
    return resource;
}

std::vector<std::uint8_t> bitmap_file(std::span<const std::uint8_t> resource) {
    constexpr std::size_t file_header = 14;
    std::vector<std::uint8_t> file(file_header + resource.size(), 0);
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 2, static_cast<std::uint32_t>(file.size()));
    put32(file, 10, static_cast<std::uint32_t>(file_header + bitmap_header_size));
    std::copy(resource.begin(), resource.end(), file.begin() + file_header);
    return file;
}

}  // namespace kdr::plugin_resources
