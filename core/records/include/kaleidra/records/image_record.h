#pragma once
// Operations on ImageRecord: the description of one picture in memory
// (channel order, bytes per pixel, row alignment and direction, a window
// into a larger buffer). Buffers and names are heap blocks from calloc and
// free, so a record filled by one library may be released by another.
//
// Pixel (x, y), row 0 being the top of the picture, lies at
//   buffer + offset + r * stride + bytes_per_pixel * (x + skip_pixels)
// with r = y + skip_rows for row order 2 (top row first) and
// r = height + skip_rows - y - 1 otherwise.
//
// Not thread-safe: a record is changed by one thread at a time.

#include <cstdint>

#include "kaleidra/records/layout.h"

namespace kdr {

// Every field zero: no name, no buffer.
void image_construct(ImageRecord& image);

// The shape of a whole picture stored on its own: rows as long as the width,
// as many stored rows as the height, no skips.
struct ImageShape {
    std::uint8_t format = 0;
    std::uint8_t bytes_per_pixel = 0;
    std::uint8_t alignment = 0;
    std::uint8_t row_order = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Describes `shape` (row length = width, stored rows = height, no skips,
// offset 0) and recomputes stride and size; buffer, owns flag, name and
// bias stay. Returns what image_update_sizes returns.
bool image_set_shape(ImageRecord& image, const ImageShape& shape);

// Stride = alignment x ceil(row length x bytes per pixel / alignment);
// size = stride x stored rows. Does nothing when the alignment is 0. Returns
// false, leaving stride and size 0, when the size would not fit in 32 bits.
[[nodiscard]] bool image_update_sizes(ImageRecord& image);

// When the record owns a buffer: frees the buffer and the name and zeroes
// every field. Otherwise does nothing.
void image_free(ImageRecord& image);

// Frees the name, and the buffer when owned; zeroes every field.
void image_release_all(ImageRecord& image);

// Copies geometry, name and pixels; the target owns its new buffer. Returns
// false when memory runs out (the target then has no buffer).
[[nodiscard]] bool image_deep_copy(ImageRecord& target, const ImageRecord& source);

// As the deep copy, but the target points at the source's pixels and does
// not own them.
void image_shallow_copy(ImageRecord& target, const ImageRecord& source);

// Recomputes stride and size, frees an owned buffer and allocates a
// zero-filled one of the size (owns = 1). False when the size is 0 or memory
// runs out.
[[nodiscard]] bool image_allocate(ImageRecord& image);

// Texture width and height: the smallest powers of two at least the width
// and height (1 stays 1); the ratios width / texture width and height /
// texture height.
void image_prepare_texture(ImageRecord& image);

// Makes the record describe every other row: field `parity` 0 or 1.
void image_select_field(ImageRecord& image, int parity);

// Replaces the name with a heap copy of `name` (null clears it). False when
// memory runs out.
[[nodiscard]] bool image_set_name(ImageRecord& image, const char* name);

bool image_has_pixels(const ImageRecord& image);
bool image_has_alpha(std::uint8_t format);

// "RGB", "BGR", "RGBA", "BGRA", "ABGR" or "ARGB"; null for any other value.
const char* image_format_name(std::uint8_t format);

std::uint8_t* image_row(const ImageRecord& image, std::uint32_t y);
std::uint8_t* image_pixel(const ImageRecord& image, std::uint32_t x, std::uint32_t y);

// The bias block's fourth entry holds 255.0 for 32-bit bitmaps.
void image_set_bias(ImageRecord& image, int entry, float value);
float image_bias(const ImageRecord& image, int entry);

}  // namespace kdr
