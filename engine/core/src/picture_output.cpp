#include "kaleidra/render/picture_output.h"

#include <algorithm>

#include "kaleidra/gl/texture_upload.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "lay_rows.h"

namespace kdr::render {

namespace {

// Where the channels of a pixel lie; A < 0 when it has no alpha byte.
template <int Bpp, int R, int G, int B, int A>
struct Layout {
    static constexpr int bpp = Bpp, r = R, g = G, b = B, a = A;
};
using Bgra = Layout<4, 2, 1, 0, 3>;
using Rgba = Layout<4, 0, 1, 2, 3>;
using Argb = Layout<4, 1, 2, 3, 0>;
using Abgr = Layout<4, 3, 2, 1, 0>;
using Bgr = Layout<3, 2, 1, 0, -1>;
using Rgb = Layout<3, 0, 1, 2, -1>;
using Bgrx = Layout<4, 2, 1, 0, -1>;
using Rgbx = Layout<4, 0, 1, 2, -1>;

// Calls `f` with the layout type of `image`; false for layouts it lacks.
template <class F>
bool with_layout(const ImageRecord& image, F&& f) {
    if (!image_layout_supported(image.format, image.bytes_per_pixel)) {
        return false;
    }
    const bool wide = image.bytes_per_pixel == 4;
    switch (image.format) {
        case format_bgra:
            f(Bgra{});
            return true;
        case format_rgba:
            f(Rgba{});
            return true;
        case format_argb:
            f(Argb{});
            return true;
        case format_abgr:
            f(Abgr{});
            return true;
        case format_bgr:
            wide ? f(Bgrx{}) : f(Bgr{});
            return true;
        case format_rgb:
            wide ? f(Rgbx{}) : f(Rgb{});
            return true;
        default:
            return false;
    }
}

// Output rows [first, end) of a mode, counted from the top.
void mode_rows(std::uint32_t height, int rows, std::uint32_t& first, std::uint32_t& end) {
    first = 0;
    end = height;
    if (rows == convert_upper_half) {
        end = height / 2;
    } else if (rows == convert_lower_half) {
        first = height / 2;
    }
}

}  // namespace

void picture_rows(std::uint32_t height, std::uint32_t output_height, int rows, std::uint32_t& first,
                  std::uint32_t& end) {
    std::uint32_t out_first = 0;
    std::uint32_t out_end = 0;
    mode_rows(output_height, rows, out_first, out_end);
    if (height == 0 || output_height == 0 || out_end <= out_first) {
        first = 0;
        end = height;
        return;
    }
    // Output row y is made from picture rows y h / oh up to (y + 1) h / oh,
    // at least one (image_convert's blocks); the last output row reaches
    // furthest.
    const std::uint64_t h = height;
    const std::uint64_t oh = output_height;
    first = static_cast<std::uint32_t>(out_first * h / oh);
    const std::uint64_t last = (out_end - 1) * h / oh;
    end = static_cast<std::uint32_t>(std::max<std::uint64_t>(out_end * h / oh, last + 1));
    end = std::min(end, height);
    first = std::min(first, end > 0 ? end - 1 : 0);
}

namespace {

bool readable(const ImageRecord& image) {
    return image_has_pixels(image) && gl::upload_extent_valid(image);
}

bool valid_mode(int rows) {
    return rows == convert_all_rows || rows == convert_upper_half || rows == convert_lower_half;
}

std::uint8_t* picture_row(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                          std::uint32_t y) {
    return bgra + std::size_t{height - 1 - y} * width * 4;
}

}  // namespace

int output_rows(std::uint32_t flags) {
    if ((flags & flag_lower_half) != 0) {
        return convert_lower_half;
    }
    if ((flags & flag_upper_half) != 0) {
        return convert_upper_half;
    }
    return convert_all_rows;
}

ImageRecord picture_record(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height) {
    ImageRecord picture;
    image_construct(picture);
    image_set_shape(picture, {format_bgr, 4, 4, row_order_bottom_up, width, height});
    picture.buffer = const_cast<std::uint8_t*>(bgra);
    return picture;
}

bool copy_to_output(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                    const ImageRecord& output, int rows) {
    const ImageRecord picture = picture_record(bgra, width, height);
    return image_convert(picture, output, rows);
}

bool composite_over_video(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                          const ImageRecord& video, std::uint32_t output_height, int rows) {
    if (!readable(video) || video.width != width || video.height != height || !valid_mode(rows)) {
        return false;
    }
    std::uint32_t first = 0;
    std::uint32_t end = 0;
    picture_rows(height, output_height, rows, first, end);
    const RowLayer layer(video.format, video.bytes_per_pixel, format_bgra, 4);
    if (!layer.valid()) {
        return false;
    }
    for (std::uint32_t y = first; y < end; ++y) {
        std::uint8_t* p = picture_row(bgra, width, height, y);
        layer.lay(p, image_row(video, y), p, width);
    }
    return true;
}

bool lay_under_video(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                     const ImageRecord& video, std::uint32_t output_height, int rows,
                     std::vector<std::uint8_t>& scratch) {
    if (!readable(video) || !valid_mode(rows)) {
        return false;
    }
    if (video.width == width && video.height == height) {
        return composite_over_video(bgra, width, height, video, output_height, rows);
    }
    if (video.width * 2 == width && video.height * 2 == height) {
        // Drawn at twice the size for antialiasing: every video pixel lies
        // under a 2 x 2 block. Each video row is widened once and laid under
        // its two picture rows.
        scratch.resize(std::size_t{width} * 4);
        std::uint32_t first = 0;
        std::uint32_t end = 0;
        picture_rows(height, output_height, rows, first, end);
        return with_layout(video, [&](auto under) {
            using U = decltype(under);
            std::uint32_t widened = ~0u;
            for (std::uint32_t y = first; y < end; ++y) {
                if (y / 2 != widened) {
                    widened = y / 2;
                    const std::uint8_t* v = image_row(video, widened);
                    std::uint8_t* w = scratch.data();
                    for (std::uint32_t x = 0; x < video.width; ++x, v += U::bpp, w += 8) {
                        w[0] = w[4] = v[U::b];
                        w[1] = w[5] = v[U::g];
                        w[2] = w[6] = v[U::r];
                        w[3] = w[7] = 255;
                    }
                }
                std::uint8_t* p = picture_row(bgra, width, height, y);
                lay_row_bgra(p, scratch.data(), false, p, width);
            }
        });
    }
    // Any other size: the video scaled to the picture as image_convert
    // scales, then laid under it.
    scratch.resize(std::size_t{width} * height * 4);
    ImageRecord scaled = picture_record(scratch.data(), width, height);
    scaled.format = format_bgra;
    return image_convert(video, scaled, convert_all_rows) &&
           composite_over_video(bgra, width, height, scaled, output_height, rows);
}

void lay_under_colour(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                      const float (&colour)[4], std::uint32_t output_height, int rows) {
    auto level = [](float value) {
        return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
    };
    const std::uint8_t bgr[3] = {level(colour[2]), level(colour[1]), level(colour[0])};
    std::uint32_t first = 0;
    std::uint32_t end = 0;
    picture_rows(height, output_height, rows, first, end);
    for (std::uint32_t y = first; y < end; ++y) {
        std::uint8_t* p = picture_row(bgra, width, height, y);
        lay_row_bgra(p, bgr, true, p, width);
    }
}

bool lay_onto_video(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                    const ImageRecord& video, const ImageRecord& output, int rows,
                    std::vector<std::uint8_t>& scratch) {
    if (!readable(video) || !image_has_pixels(output) || !valid_mode(rows)) {
        return false;
    }
    const bool one_size = video.width == width && video.height == height && output.width == width &&
                          output.height == height;
    if (one_size) {
        // One pass from the picture and the video into the host's format.
        std::uint32_t first = 0;
        std::uint32_t end = 0;
        mode_rows(height, rows, first, end);
        const RowLayer layer(video.format, video.bytes_per_pixel, output.format,
                             output.bytes_per_pixel);
        if (!layer.valid()) {
            return false;
        }
        for (std::uint32_t y = first; y < end; ++y) {
            layer.lay(picture_row(bgra, width, height, y), image_row(video, y),
                      image_row(output, y), width);
        }
        return true;
    }
    return lay_under_video(bgra, width, height, video, output.height, rows, scratch) &&
           copy_to_output(bgra, width, height, output, rows);
}

bool lay_onto_colour(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                     const float (&colour)[4], const ImageRecord& output, int rows) {
    if (!image_has_pixels(output) || !valid_mode(rows)) {
        return false;
    }
    if (output.width == width && output.height == height) {
        auto level = [](float value) {
            return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
        };
        const std::uint8_t bgr[3] = {level(colour[2]), level(colour[1]), level(colour[0])};
        std::uint32_t first = 0;
        std::uint32_t end = 0;
        mode_rows(height, rows, first, end);
        const RowLayer layer(format_bgra, 4, output.format, output.bytes_per_pixel);
        if (!layer.valid()) {
            return false;
        }
        for (std::uint32_t y = first; y < end; ++y) {
            layer.lay_on_colour(picture_row(bgra, width, height, y), bgr, image_row(output, y),
                                width);
        }
        return true;
    }
    lay_under_colour(bgra, width, height, colour, output.height, rows);
    return copy_to_output(bgra, width, height, output, rows);
}

}  // namespace kdr::render
