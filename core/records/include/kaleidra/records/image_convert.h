#pragma once
// Converting one picture into another record's buffer: the engines' final
// copy of a rendered frame into the host's buffer, and the copy of a source
// video into an engine's own bitmap. This is on the path of every rendered
// frame, so each pair of pixel layouts has its own row loop.
//
// Channels are moved by name (red to red, ...) between any two of the six
// formats; a destination with alpha gets 255 when the source has none, and
// the source's alpha is read through its alpha bias (alpha_bias.h). When
// the sizes differ, each destination pixel is the average (rounded down) of
// the block of source pixels it covers: the block of destination pixel
// (x, y) spans source columns x*sw/dw .. (x+1)*sw/dw - 1 and rows
// y*sh/dh .. (y+1)*sh/dh - 1, at least one of each. The engines draw at twice
// the output size for antialiasing and halve the picture this way.
//
// Both records are only read: the destination's pixels change, not its
// fields. The fourth byte of a 4-byte RGB or BGR destination pixel holds no
// channel; its value afterwards is unspecified. Source and destination
// buffers must not overlap. Thread-compatible: two threads may fill disjoint
// rows of one destination at once.

#include <cstdint>

#include "kaleidra/records/layout.h"

namespace kdr {

// Which destination rows a conversion fills, counted from the top of the
// picture; the halves are split at height / 2.
enum ConvertRows : int {
    convert_all_rows = 0,
    convert_upper_half = 1,  // rows 0 .. height/2 - 1
    convert_lower_half = 2,  // rows height/2 .. height - 1
};

// Converts `source` into `destination`. Copies nothing and returns false
// when either record has no buffer, a format is not one of the six, the
// bytes per pixel cannot hold the format's channels, a width or height is
// zero, or `rows` is not one of ConvertRows.
[[nodiscard]] bool image_convert(const ImageRecord& source, const ImageRecord& destination,
                                 int rows);

// True when `format` is one of the six and `bytes_per_pixel` (3 or 4) holds
// its channels: 3-channel formats take 3 or 4 bytes, 4-channel formats 4.
bool image_layout_supported(std::uint8_t format, std::uint8_t bytes_per_pixel);

// The row loop image_convert uses for same-size conversions between two
// layouts: converts `width` pixels from `source` into `target` (which must
// not overlap), alpha as stored (no bias). Null when either layout is not
// supported.
using ConvertRowFunction = void (*)(const std::uint8_t* source, std::uint8_t* target,
                                    std::uint32_t width);
ConvertRowFunction image_convert_row_function(std::uint8_t source_format,
                                              std::uint8_t source_bytes_per_pixel,
                                              std::uint8_t target_format,
                                              std::uint8_t target_bytes_per_pixel);

}  // namespace kdr
