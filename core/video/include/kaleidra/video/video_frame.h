#pragma once
// One decoded frame as a device-independent bitmap: 24 bits a pixel in blue,
// green, red order, rows padded to 4 bytes, bottom row first.

#include <cstdint>
#include <vector>

namespace kdr::video {

// Larger frames are refused when a file is opened.
inline constexpr std::uint32_t max_frame_dimension = 16384;
inline constexpr std::uint64_t max_frame_bytes = 256u << 20;

struct VideoFrame {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;          // bytes a row: width x 3 rounded up to 4
    std::uint32_t index = 0;           // the frame this is
    std::vector<std::uint8_t> pixels;  // stride x height bytes, bottom row first
};

// Bytes a row of a 24-bit bitmap `width` pixels wide.
constexpr std::uint32_t bitmap_stride(std::uint32_t width) {
    return (width * 3 + 3) / 4 * 4;
}

}  // namespace kdr::video
