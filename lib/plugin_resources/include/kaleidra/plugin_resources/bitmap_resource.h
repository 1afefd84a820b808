#pragma once
// Device-independent bitmaps as plug-ins keep them among their resources
// (type "BITMAP"): a 40-byte header (u32 header size 40, i32 width, i32
// height, u16 planes 1, u16 bits a pixel, u32 compression 0, u32 image
// size, i32 x and y resolution, u32 colours used, u32 important colours),
// then the pixels without a colour table: rows bottom first, blue, green,
// red, each row padded to a multiple of four bytes. Hosts show them as
// icons. No state; any thread may call these.

#include <cstdint>
#include <span>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::plugin_resources {

inline constexpr std::size_t bitmap_header_size = 40;

struct BitmapShape {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bits = 0;         // 24 or 32
    std::uint32_t row_bytes = 0;    // padded
    std::uint32_t pixel_bytes = 0;  // row_bytes x height
};

// Checks a bitmap resource: the header as above (24 or 32 bits, uncompressed,
// positive sizes up to 4096) and exactly its pixels after it.
Result<BitmapShape> describe_bitmap(std::span<const std::uint8_t> resource);

// A 24-bit bitmap resource from pixels given top row first, red, green,
// blue, `width` x `height` of them.
std::vector<std::uint8_t> make_bitmap_resource(std::int32_t width, std::int32_t height,
                                               std::span<const std::uint8_t> rgb_top_down);

// The resource as a BMP file: the 14-byte file header, then the resource.
std::vector<std::uint8_t> bitmap_file(std::span<const std::uint8_t> resource);

}  // namespace kdr::plugin_resources
