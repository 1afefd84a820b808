#pragma once
// One row of Photoshop's row buffers to and from the engine's pictures.
//
// Reading: red, green and blue are the pixel's first three planes; alpha
// is the product of the selection mask's byte / 255 (1 without a mask),
// each transparency-mask byte / 255, each layer-mask byte / 255 and, for
// each inverted layer mask, 1 - byte / 255, read from the planes behind
// the colour planes in that order; clamped and scaled to 0 to 255.
// Writing: red, green and blue into the first three planes, then, behind
// the colour planes, the alpha into each transparency mask, 0 into each
// layer mask and 255 into each inverted layer mask.
//
// Counts the host gives are checked against the pixel's planes: negative
// counts are 0, and masks that would lie beyond the pixel's planes are not
// read or written. No state; any thread may call these.

#include <cstdint>

#include "kaleidra/hostkit/photoshop_records.h"

namespace kdr::photoshop {

inline constexpr int colour_planes = 3;

struct MaskCounts {
    int transparency = 0;
    int layer = 0;
    int inverted = 0;
};

// The input's counts, limited to what `column_bytes` planes a pixel hold.
MaskCounts input_masks(const hostkit::PsFilterRecord& record);
MaskCounts output_masks(const hostkit::PsFilterRecord& record);

// `width` pixels of the in-data row into red, green, blue, alpha bytes;
// `mask` the selection mask's row or null.
void read_row(const std::uint8_t* in, int column_bytes, const MaskCounts& masks,
              const std::uint8_t* mask, int width, std::uint8_t* rgba);

// `width` pixels of blue, green, red, alpha bytes into the out-data row.
void write_row(const std::uint8_t* bgra, int width, const MaskCounts& masks, int column_bytes,
               std::uint8_t* out);

}  // namespace kdr::photoshop
