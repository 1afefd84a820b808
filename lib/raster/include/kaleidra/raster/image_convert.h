#pragma once
// Between canvases and image records (core/records): the 24-bit
// blue-green-red bottom-up layout with rows aligned to 4 bytes that video
// frames, bitmaps and the engines' output use.

#include "kaleidra/raster/canvas.h"
#include "kaleidra/records/layout.h"

namespace kdr::raster {

// Fills `image` (constructed or freed before) with an owned copy of the
// canvas: format B G R, row order 1 (bottom row first), alignment 4.
// False when memory runs out.
[[nodiscard]] bool canvas_to_image(const Canvas& canvas, ImageRecord& image);

// Any 3- or 4-byte format and either row order; empty canvas for a record
// without pixels.
Canvas canvas_from_image(const ImageRecord& image);

}  // namespace kdr::raster
