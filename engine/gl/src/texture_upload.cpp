#include "kaleidra/gl/texture_upload.h"

#include <algorithm>
#include <vector>

#include "kaleidra/records/alpha_bias.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"

namespace kdr::gl {

namespace {

bool valid_alignment(std::uint8_t alignment) {
    return alignment == 1 || alignment == 2 || alignment == 4 || alignment == 8;
}

std::uint64_t aligned_stride(std::uint64_t row_length, std::uint64_t bytes_per_pixel,
                             std::uint64_t alignment) {
    return (row_length * bytes_per_pixel + alignment - 1) / alignment * alignment;
}

std::uint64_t row_length_of(const ImageRecord& image) {
    return image.row_length != 0 ? image.row_length : image.width;
}

// The distance between stored rows: the record's stride, which need not be
// the aligned row length (one field of a picture with padded rows lies two
// padded rows apart), or the aligned row length when the record's stride
// was never computed.
std::uint64_t row_stride(const ImageRecord& image) {
    if (image.stride != 0) {
        return image.stride;
    }
    return aligned_stride(row_length_of(image), image.bytes_per_pixel, image.alignment);
}

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

// The layout a picture's texture is kept in: three-byte pictures are
// widened to four bytes a texel, whose alpha is 255 (which samples as a
// picture without alpha does).
std::uint8_t texture_format(const ImageRecord& image) {
    const std::uint8_t widened = widened_format(image.format);
    return widened != 0 && image.bytes_per_pixel == 3 ? widened : image.format;
}

// True when OpenGL can read the picture as it lies: four bytes a pixel,
// rows as far apart as the unpack row length and alignment say, and alpha
// without a bias.
bool readable_as_stored(const ImageRecord& image) {
    return image.bytes_per_pixel == 4 && image_alpha_offset(image) == 0 &&
           row_stride(image) == aligned_stride(row_length_of(image), 4, image.alignment);
}

// The picture's `width` x `height` window, row by row from its stored rows
// (skips applied, rows `stride` apart) into four-byte texels of
// `target_format` with the alpha bias added, in a buffer kept by the
// thread. The library's own widening of three-byte pixels goes texel by
// texel; these row loops are vectorised, so the upload is a plain copy.
// Null when there is no row loop between the layouts.
const std::uint8_t* packed_picture(const ImageRecord& image, std::uint8_t target_format,
                                   std::uint32_t width, std::uint32_t height) {
    const ConvertRowFunction convert =
        image_convert_row_function(image.format, image.bytes_per_pixel, target_format, 4);
    if (convert == nullptr) {
        return nullptr;
    }
    thread_local std::vector<std::uint8_t> scratch;
    scratch.resize(std::size_t{width} * height * 4);
    const std::uint64_t stride = row_stride(image);
    const int alpha_offset = image_alpha_offset(image);
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint8_t* row = image.buffer + image.offset +
                                  (image.skip_rows + std::uint64_t{r}) * stride +
                                  std::uint64_t{image.skip_pixels} * image.bytes_per_pixel;
        std::uint8_t* texels = scratch.data() + std::size_t{r} * width * 4;
        convert(row, texels, width);
        offset_alpha_row(texels, target_format, width, alpha_offset);
    }
    return scratch.data();
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
    if (row_length_of(image) < image.width) {
        return false;
    }
    const std::uint64_t stride = row_stride(image);
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
    const std::uint8_t stored_format = texture_format(image);
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
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(row_length_of(image)));
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
    if (!readable_as_stored(image)) {
        const std::uint8_t* packed =
            known_stored_format
                ? packed_picture(image, stored_format, static_cast<std::uint32_t>(width),
                                 static_cast<std::uint32_t>(height))
                : nullptr;
        if (packed == nullptr) {
            return false;
        }
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
        gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, stored_gl_format, stored_gl_type,
                         packed);
        return true;
    }
    gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, gl_format, gl_type,
                     image.buffer + image.offset);
    return true;
}

}  // namespace kdr::gl
