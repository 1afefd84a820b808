#pragma once
// The alpha bias of a picture: the fourth entry of its bias block, added to
// every alpha value as it is read, on the scale where 1.0 is full alpha. The
// bitmap loader gives 32-bit bitmaps the bias 255.0, so that their fourth
// bytes (left 0 by most writers) read as opaque; image files keep the bias
// they were written with. Uploads and conversions read alpha through it:
// alpha = a + bias x 255, rounded and held to 0..255. Pictures without an
// alpha channel have no alpha bias.

#include <cstdint>

#include "kaleidra/records/layout.h"

namespace kdr {

// The bias in alpha steps, -255..255: 0 for formats without alpha, for a
// bias of 0 and for one that is not a number; beyond +-1.0 the steps stop
// at +-255, which every alpha reaches.
int image_alpha_offset(const ImageRecord& image);

// True when the picture's alpha can read as anything but opaque: it has an
// alpha channel and its bias does not lift every value to 255. Writers of
// formats whose alpha is optional leave it out otherwise.
bool image_alpha_varies(const ImageRecord& image);

// Adds `offset` (image_alpha_offset) to the alpha byte of `width` pixels of
// `format` (4 bytes each) at `row`, holding each to 0..255. Formats without
// alpha are left alone.
void offset_alpha_row(std::uint8_t* row, std::uint8_t format, std::uint32_t width, int offset);

}  // namespace kdr
