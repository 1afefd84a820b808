#pragma once
// Targa images: true-colour pictures, uncompressed (type 2) or run-length
// encoded (type 10), 24 or 32 bits a pixel, as texture sequences use them.
//
// Decoding treats the bytes as hostile: the header is checked against
// image_limits.h before anything is allocated, and a run-length packet that
// would write past the picture or read past the data fails the decode.

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "kaleidra/images/pixel_buffer.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr {

struct TargaPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bytes_per_pixel = 0;  // 3 (BGR) or 4 (BGRA)
    bool top_row_first = false;        // descriptor bit 5: origin at the top
    // width x height pixels, rows unpadded, in the file's row order; rows
    // stored right to left (descriptor bit 4) are turned round.
    PixelBuffer pixels;
};

Result<TargaPicture> decode_targa(const std::uint8_t* data, std::size_t size);

// Reads a Targa file into `image`: format 2 (3 bytes a pixel) or 18 (4),
// alignment 1, width and height, row length = width, stored rows = height,
// no skips, row order 2 for top-origin files and 1 otherwise; the record
// takes the decoded buffer over (owns = 1). On failure the record keeps what
// it had and the error names the file and the fault.
Status read_targa_file(ImageRecord& image, const std::filesystem::path& file);

// Writes an uncompressed Targa (type 2) of 24 bits (formats without alpha)
// or 32 bits, bottom row first. Any of the six formats may be given. The
// target is replaced only when the whole file was written.
Status write_targa_file(const ImageRecord& image, const std::filesystem::path& file);

}  // namespace kdr
