#include "kaleidra/gl/texture_upload.h"

#include <algorithm>
#include <vector>

#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"

namespace kdr::gl {

namespace {

bool valid_alignment(std::uint8_t alignment) {
    return alignment == 1 || alignment == 2 || alignment == 4 || alignment == 8;
}

// Three-byte pictures are stored by the library four bytes a texel, and its
// own widening goes texel by texel. Widening the rows here first (vector
// loops, into a buffer kept by the thread) makes the upload a plain copy.
// The alpha of a widened texel is 255, which samples as a picture without
// alpha does.
struct WidenedPicture {
    const std::uint8_t* pixels = nullptr;
    std::uint8_t format = 0;
};

std::uint8_t widened_format(std::uint8_t format) {
    switch (format) {
        case format_rgb:
            return format_rgba;
        case format_bgr:
            return format_bgra;
        default:
            return 0;
    }
}

// The picture's rows as stored (skips and row length applied), widened to
// `width` x `height` four-byte pixels; no pixels when the layout has no
// widening.
WidenedPicture widen(const ImageRecord& image, std::uint32_t width, std::uint32_t height) {
    const std::uint8_t target = widened_format(image.format);
    if (image.bytes_per_pixel != 3 || target == 0) {
        return {};
    }
    const ConvertRowFunction convert = image_convert_row_function(image.format, 3, target, 4);
    if (convert == nullptr) {
        return {};
    }
    thread_local std::vector<std::uint8_t> scratch;
    scratch.resize(std::size_t{width} * height * 4);
    const std::uint64_t row_length = image.row_length != 0 ? image.row_length : image.width;
    const std::uint64_t stride =
        (row_length * 3 + image.alignment - 1) / image.alignment * image.alignment;
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint8_t* row = image.buffer + image.offset +
                                  (image.skip_rows + std::uint64_t{r}) * stride +
                                  std::uint64_t{image.skip_pixels} * 3;
        convert(row, scratch.data() + std::size_t{r} * width * 4, width);
    }
    return {scratch.data(), target};
}

}  // namespace

bool upload_format(std::uint8_t format, GLenum& gl_format, GLenum& gl_type, bool swap_red_blue) {
    if (swap_red_blue) {
        // Each format read as its mirror image: red where blue is.
        switch (format) {
            case format_rgb:
                format = format_bgr;
                break;
            case format_bgr:
                format = format_rgb;
                break;
            case format_rgba:
                format = format_bgra;
                break;
            case format_bgra:
                format = format_rgba;
                break;
            case format_abgr:
                format = format_argb;
                break;
            case format_argb:
                format = format_abgr;
                break;
            default:
                return false;
        }
    }
    gl_type = GL_UNSIGNED_BYTE;
    switch (format) {
        case format_rgb:
            gl_format = GL_RGB;
            return true;
        case format_bgr:
            gl_format = GL_BGR;
            return true;
        case format_rgba:
            gl_format = GL_RGBA;
            return true;
        case format_bgra:
            gl_format = GL_BGRA;
            return true;
        case format_abgr:
            // Bytes A B G R are the word R G B A from the high byte down.
            gl_format = GL_RGBA;
            gl_type = GL_UNSIGNED_INT_8_8_8_8;
            return true;
        case format_argb:
            gl_format = GL_BGRA;
            gl_type = GL_UNSIGNED_INT_8_8_8_8;
            return true;
        default:
            return false;
    }
}

bool upload_extent_valid(const ImageRecord& image) {
    if (image.buffer == nullptr || image.width == 0 || image.height == 0 || image.offset < 0) {
        return false;
    }
    const std::uint64_t bpp = image.bytes_per_pixel;
    const bool alpha = image_has_alpha(image.format);
    if (bpp != (alpha ? 4u : 3u) || !valid_alignment(image.alignment)) {
        return false;
    }
    const std::uint64_t row_length = image.row_length == 0 ? image.width : image.row_length;
    if (row_length < image.width) {
        return false;
    }
    const std::uint64_t alignment = image.alignment;
    const std::uint64_t stride = (row_length * bpp + alignment - 1) / alignment * alignment;
    const std::uint64_t last_row = static_cast<std::uint64_t>(image.skip_rows) + image.height - 1;
    const std::uint64_t end = static_cast<std::uint64_t>(image.offset) + last_row * stride +
                              (static_cast<std::uint64_t>(image.skip_pixels) + image.width) * bpp;
    const std::uint64_t available =
        image.size != 0 ? image.size : static_cast<std::uint64_t>(image.stored_rows) * stride;
    return end <= available;
}

bool upload_texture(const GlApi& gl, GLuint name, const ImageRecord& image,
                    std::uint32_t texture_width, std::uint32_t texture_height, bool linear_filter,
                    bool swap_red_blue) {
    GLenum gl_format = GL_RGB;
    GLenum gl_type = GL_UNSIGNED_BYTE;
    const bool known_format = upload_format(image.format, gl_format, gl_type, swap_red_blue);
    // The layout the texture is defined in: three-byte pictures are widened.
    const std::uint8_t stored_format =
        widened_format(image.format) != 0 && image.bytes_per_pixel == 3
            ? widened_format(image.format)
            : image.format;
    GLenum stored_gl_format = gl_format;
    GLenum stored_gl_type = gl_type;
    const bool known_stored_format =
        upload_format(stored_format, stored_gl_format, stored_gl_type, swap_red_blue);
    if (!gl.IsTexture(name)) {
        GLint largest = 0;
        gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
        if (texture_width == 0 || texture_height == 0 ||
            texture_width > static_cast<std::uint32_t>(largest) ||
            texture_height > static_cast<std::uint32_t>(largest)) {
            return false;  // the library could not hold it; the surface stays untextured
        }
        gl.BindTexture(GL_TEXTURE_2D, name);
        const GLint components = 4;
        // Defined as black rather than left undefined: filtering at a
        // picture's right and top edges reads the texels just beyond it.
        const std::vector<std::uint8_t> black(
            static_cast<std::size_t>(texture_width) * texture_height * 4, 0);
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
        // The picture's own source format lets the library keep the texture
        // in the same channel order, so that refills are plain copies.
        gl.TexImage2D(GL_TEXTURE_2D, 0, components, static_cast<GLsizei>(texture_width),
                      static_cast<GLsizei>(texture_height), 0,
                      known_stored_format ? stored_gl_format : GL_RGBA,
                      known_stored_format ? stored_gl_type : GL_UNSIGNED_BYTE, black.data());
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        const GLint filter = linear_filter ? GL_LINEAR : GL_NEAREST;
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    }
    gl.BindTexture(GL_TEXTURE_2D, name);
    const std::uint32_t row_length = image.row_length != 0 ? image.row_length : image.width;
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(row_length));
    gl.PixelStorei(GL_UNPACK_SKIP_ROWS, static_cast<GLint>(image.skip_rows));
    gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, static_cast<GLint>(image.skip_pixels));
    if (valid_alignment(image.alignment)) {
        gl.PixelStorei(GL_UNPACK_ALIGNMENT, image.alignment);
    }
    if (!known_format || !upload_extent_valid(image)) {
        return false;
    }
    // The texture that holds this name may be smaller than the picture when
    // another picture defined it first; the part that fits is replaced.
    GLint defined_width = 0;
    GLint defined_height = 0;
    gl.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &defined_width);
    gl.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &defined_height);
    const GLsizei width = std::min<GLsizei>(static_cast<GLsizei>(image.width), defined_width);
    const GLsizei height = std::min<GLsizei>(static_cast<GLsizei>(image.height), defined_height);
    if (width <= 0 || height <= 0) {
        return false;
    }
    const WidenedPicture widened =
        widen(image, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    if (widened.pixels != nullptr && known_stored_format) {
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
        gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, stored_gl_format, stored_gl_type,
                         widened.pixels);
        return true;
    }
    gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, gl_format, gl_type,
                     image.buffer + image.offset);
    return true;
}

}  // namespace kdr::gl
