#pragma once
// From the drawn picture to the caller's output image.
//
// Rnd_Generic does not draw the first object of a scene when its video fills
// the frame: it draws the other objects over a transparent background,
// blending so that alpha gathers their coverage ("over"), and then lays the
// picture onto the video: result = colour + (1 - alpha) x video. For the
// alpha and additive blends the drawing core uses, that equals drawing the
// objects on top of the video itself.

#include <cstdint>
#include <vector>

#include "kaleidra/records/layout.h"

namespace kdr::render {

// The rows of the output a render fills, from the frame's flags: 2 for the
// lower half, 1 for the upper half, 0 for all (image_convert's row modes).
int output_rows(std::uint32_t flags);

// The drawn picture (blue, green, red, alpha; bottom row first; rows of
// width x 4 bytes) as an image record whose fourth byte is ignored.
ImageRecord picture_record(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height);

// Lays `picture` (width x height, as above) onto `video` in place, for the
// picture rows that output rows `rows` (of an output `output_height` rows
// high) are made from. A video of another size than the picture is first
// scaled to it into `scratch`, as image_convert scales. False, leaving the
// picture as it is, when the video cannot be read.
bool composite_over_video(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                          const ImageRecord& video, std::uint32_t output_height, int rows,
                          std::vector<std::uint8_t>& scratch);

// Converts the picture into `output` (any of the six formats, halving a
// picture drawn at twice the size by averaging), only `rows`. False when
// the output has no pixels or an unusable layout.
bool copy_to_output(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                    const ImageRecord& output, int rows);

}  // namespace kdr::render
