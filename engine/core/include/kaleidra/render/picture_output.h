#pragma once
// From the drawn picture to the caller's output image.
//
// Rnd_Generic does not draw the first object of a scene when its video fills
// the frame: it draws the other objects over a transparent background,
// blending so that alpha gathers their coverage ("over"), and then lays the
// picture onto the video: result = colour + (1 - alpha) x video. For the
// alpha and additive blends the drawing core uses, that equals drawing the
// objects on top of the video itself. When the first object must be drawn
// after all, the picture is laid onto the background colour the same way.
//
// The picture is width x height pixels of blue, green, red, alpha bytes,
// bottom row first, rows of width x 4 bytes.

#include <cstdint>
#include <vector>

#include "kaleidra/records/layout.h"

namespace kdr::render {

// The rows of the output a render fills, from the frame's flags: 2 for the
// lower half, 1 for the upper half, 0 for all (image_convert's row modes).
int output_rows(std::uint32_t flags);

// The picture rows, counted from the top, that output rows `rows` (a mode
// of output_rows) of an output `output_height` rows high are made from:
// [first, end). Every row when the output has no height.
void picture_rows(std::uint32_t height, std::uint32_t output_height, int rows, std::uint32_t& first,
                  std::uint32_t& end);

// The picture as an image record whose fourth byte is ignored.
ImageRecord picture_record(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height);

// Converts the picture into `output` (any of the six formats, halving a
// picture drawn at twice the size by averaging), only `rows`. False when
// the output has no pixels or an unusable layout.
bool copy_to_output(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                    const ImageRecord& output, int rows);

// Lays the picture onto `video` and converts the result into `output`, only
// `rows` (of the output). Picture, video and output of one size take one
// pass; otherwise the video is scaled to the picture as image_convert
// scales (into `scratch`), the picture is laid onto it in place, and then
// converted. False, leaving the output untouched, when the video cannot be
// read or the output not written.
bool lay_onto_video(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                    const ImageRecord& video, const ImageRecord& output, int rows,
                    std::vector<std::uint8_t>& scratch);

// The same onto a plain colour (red, green, blue 0..1).
bool lay_onto_colour(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                     const float (&colour)[4], const ImageRecord& output, int rows);

// In place: lays the picture onto `video` (of the picture's size), for the
// picture rows that output rows `rows` of an output `output_height` rows
// high are made from.
bool composite_over_video(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                          const ImageRecord& video, std::uint32_t output_height, int rows);
// In place, a video of any size: one of half the picture's size (an
// antialiased picture) lies under it pixel by 2 x 2 block; any other is
// scaled to it as image_convert scales (in `scratch`).
bool lay_under_video(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                     const ImageRecord& video, std::uint32_t output_height, int rows,
                     std::vector<std::uint8_t>& scratch);
void lay_under_colour(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                      const float (&colour)[4], std::uint32_t output_height, int rows);

}  // namespace kdr::render
