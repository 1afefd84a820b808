#pragma once
// Device-independent bitmap files (.bmp) of 24 or 32 bits a pixel, read as
// bitmap sequences use them and written for people and tests.
//
// Decoding treats the bytes as hostile: every header field is checked
// against the data and image_limits.h before anything is allocated.

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "kaleidra/images/pixel_buffer.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr {

struct BitmapPicture {
    std::uint32_t width = 0;
    std::int32_t height = 0;           // as stored: negative = top row first
    std::uint8_t bytes_per_pixel = 0;  // 3 (BGR) or 4 (BGRA)
    std::uint32_t stride = 0;          // bytes a row, a multiple of 4
    PixelBuffer pixels;                // stride x |height| bytes, rows as stored
};

// Uncompressed 24 and 32-bit bitmaps, and 32-bit bitmaps whose bit fields
// are the plain blue, green, red (and alpha) bytes.
Result<BitmapPicture> decode_bmp(const std::uint8_t* data, std::size_t size);

// Reads a bitmap file into `image` as a device-independent bitmap: 24-bit
// gives format 2, 3 bytes a pixel; 32-bit format 18, 4 bytes a pixel and
// bias entry 4 = 255.0. Row order 2 when the stored height is negative, else
// 1; alignment 4; row length = width, stored rows = height, no skips. On
// failure the record keeps what it had.
Status read_bmp_file(ImageRecord& image, const std::filesystem::path& file);

// Writes a bottom-up bitmap: 24 bits for formats without alpha, 32 bits
// (alpha in the fourth byte) for formats with. The target is replaced only
// when the whole file was written.
Status write_bmp_file(const ImageRecord& image, const std::filesystem::path& file);

}  // namespace kdr
