#pragma once
// Pictures into OpenGL textures under names the caller chooses (3 and 4 for
// videos of 3 and 4 bytes per pixel, 100 upward for scene textures). A
// picture fills the lower-left width x height corner of a power-of-two
// texture; texture coordinates are scaled by the picture's ratios.

#include <cstdint>

#include "kaleidra/gl/gl_api.h"
#include "kaleidra/records/layout.h"

namespace kdr::gl {

// The OpenGL source format and type of a pixel format; false for unknown
// formats. The two alpha-first formats are read as packed 32-bit words.
// With `swap_red_blue` the red and blue channels trade places on the way in
// (for surfaces that keep them swapped, see OsMesaSurface).
bool upload_format(std::uint8_t format, GLenum& gl_format, GLenum& gl_type,
                   bool swap_red_blue = false);

// True when the picture's window (skips, rows, the record's stride and
// offset) lies inside its buffer, so nothing beyond it is read: within
// `size` when the record gives one, else within stored rows x stride. A
// record whose stride was never computed (0) has rows of the aligned row
// length.
bool upload_extent_valid(const ImageRecord& image);

// Uploads `image` into texture `name` of the current context:
// 1. when `name` is not yet a texture, defines a level-0 image of
//    texture_width x texture_height with as many components as the picture
//    has bytes per pixel, all black, clamped wrapping, and linear or
//    nearest filtering;
// 2. binds it and sets the unpack row length, skips and alignment from the
//    record;
// 3. when the record has pixels, replaces the sub-image at (0, 0) with the
//    picture (cut to the texture's size). Rows are read the record's stride
//    apart, and alpha through the picture's alpha bias (alpha_bias.h);
//    pictures OpenGL cannot read as they lie (three bytes a pixel, a stride
//    that is not the aligned row length, an alpha bias) are packed into
//    four-byte texels first.
// False, after step 2, when the record has no usable pixels (no buffer, an
// unknown format, or a window outside its buffer); false at once, defining
// nothing, when the texture size is 0 or beyond what the library can hold.
bool upload_texture(const GlApi& gl, GLuint name, const ImageRecord& image,
                    std::uint32_t texture_width, std::uint32_t texture_height, bool linear_filter,
                    bool swap_red_blue = false);

}  // namespace kdr::gl
