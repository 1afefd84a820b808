#include "kaleidra/render/picture_output.h"

#include <algorithm>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "kaleidra/gl/texture_upload.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"

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

// round(a x b / 255) for a, b in 0..255, exactly.
inline std::uint32_t scale255(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

inline std::uint8_t saturate(std::uint32_t value) {
    return static_cast<std::uint8_t>(value > 255 ? 255 : value);
}

// One row: picture pixel + (1 - its alpha) x the under pixel, written in the
// destination's layout (alpha 255). `D` may be the picture itself.
#if defined(__SSE2__)
void lay_row_bgra(const std::uint8_t* picture, const std::uint8_t* under, bool under_fixed,
                  std::uint8_t* target, std::uint32_t width);
#endif

template <class U, class D>
void lay_row(const std::uint8_t* picture, const std::uint8_t* under, std::uint8_t* target,
             std::uint32_t width) {
#if defined(__SSE2__)
    if constexpr (std::is_same_v<U, Bgra> && std::is_same_v<D, Bgra>) {
        lay_row_bgra(picture, under, false, target, width);
        return;
    }
#endif
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t* p = picture + std::size_t{x} * 4;
        const std::uint8_t* u = under + std::size_t{x} * U::bpp;
        std::uint8_t* t = target + std::size_t{x} * D::bpp;
        const std::uint32_t open = 255u - p[3];
        const std::uint8_t red = saturate(p[2] + scale255(open, u[U::r]));
        const std::uint8_t green = saturate(p[1] + scale255(open, u[U::g]));
        const std::uint8_t blue = saturate(p[0] + scale255(open, u[U::b]));
        t[D::r] = red;
        t[D::g] = green;
        t[D::b] = blue;
        if constexpr (D::a >= 0) {
            t[D::a] = 255;
        }
    }
}

#if defined(__SSE2__)
// The common case (blue, green, red, alpha under and out) four pixels at a
// time: the same sums in 16-bit lanes, saturated by the final pack.
void lay_row_bgra(const std::uint8_t* picture, const std::uint8_t* under, bool under_fixed,
                  std::uint8_t* target, std::uint32_t width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    const __m128i half = _mm_set1_epi16(128);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    const __m128i fixed =
        under_fixed ? _mm_set1_epi32(static_cast<int>(under[0] | under[1] << 8 | under[2] << 16))
                    : zero;
    auto lay = [&](__m128i p, __m128i u) {
        const __m128i open =
            _mm_sub_epi16(full, _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, 0xff), 0xff));
        __m128i t = _mm_add_epi16(_mm_mullo_epi16(open, u), half);
        t = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
        return _mm_add_epi16(p, t);
    };
    std::uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture + x * 4));
        const __m128i u =
            under_fixed ? fixed : _mm_loadu_si128(reinterpret_cast<const __m128i*>(under + x * 4));
        const __m128i low = lay(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(u, zero));
        const __m128i high = lay(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(u, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x * 4),
                         _mm_or_si128(_mm_packus_epi16(low, high), opaque));
    }
    for (; x < width; ++x) {
        const std::uint8_t* p = picture + std::size_t{x} * 4;
        const std::uint8_t* u = under_fixed ? under : under + std::size_t{x} * 4;
        const std::uint32_t open = 255u - p[3];
        std::uint8_t* t = target + std::size_t{x} * 4;
        t[0] = saturate(p[0] + scale255(open, u[0]));
        t[1] = saturate(p[1] + scale255(open, u[1]));
        t[2] = saturate(p[2] + scale255(open, u[2]));
        t[3] = 255;
    }
}
#endif

template <class D>
void lay_row_on_colour(const std::uint8_t* picture, const std::uint8_t (&colour)[3],
                       std::uint8_t* target, std::uint32_t width) {
#if defined(__SSE2__)
    if constexpr (std::is_same_v<D, Bgra>) {
        const std::uint8_t bgr[3] = {colour[2], colour[1], colour[0]};
        lay_row_bgra(picture, bgr, true, target, width);
        return;
    }
#endif
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t* p = picture + std::size_t{x} * 4;
        std::uint8_t* t = target + std::size_t{x} * D::bpp;
        const std::uint32_t open = 255u - p[3];
        const std::uint8_t red = saturate(p[2] + scale255(open, colour[0]));
        const std::uint8_t green = saturate(p[1] + scale255(open, colour[1]));
        const std::uint8_t blue = saturate(p[0] + scale255(open, colour[2]));
        t[D::r] = red;
        t[D::g] = green;
        t[D::b] = blue;
        if constexpr (D::a >= 0) {
            t[D::a] = 255;
        }
    }
}

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
    picture.format = format_bgr;
    picture.row_order = row_order_bottom_up;
    picture.bytes_per_pixel = 4;
    picture.alignment = 4;
    picture.width = picture.row_length = width;
    picture.height = picture.stored_rows = height;
    image_update_sizes(picture);
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
    return with_layout(video, [&](auto under) {
        using U = decltype(under);
        for (std::uint32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture_row(bgra, width, height, y);
            lay_row<U, Bgra>(p, image_row(video, y), p, width);
        }
    });
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
                lay_row<Bgra, Bgra>(p, scratch.data(), p, width);
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
    const std::uint8_t rgb[3] = {level(colour[0]), level(colour[1]), level(colour[2])};
    std::uint32_t first = 0;
    std::uint32_t end = 0;
    picture_rows(height, output_height, rows, first, end);
    for (std::uint32_t y = first; y < end; ++y) {
        std::uint8_t* p = picture_row(bgra, width, height, y);
        lay_row_on_colour<Bgra>(p, rgb, p, width);
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
        bool done = false;
        with_layout(video, [&](auto under) {
            done = with_layout(output, [&](auto target) {
                using U = decltype(under);
                using D = decltype(target);
                for (std::uint32_t y = first; y < end; ++y) {
                    lay_row<U, D>(picture_row(bgra, width, height, y), image_row(video, y),
                                  image_row(output, y), width);
                }
            });
        });
        return done;
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
        const std::uint8_t rgb[3] = {level(colour[0]), level(colour[1]), level(colour[2])};
        std::uint32_t first = 0;
        std::uint32_t end = 0;
        mode_rows(height, rows, first, end);
        return with_layout(output, [&](auto target) {
            using D = decltype(target);
            for (std::uint32_t y = first; y < end; ++y) {
                lay_row_on_colour<D>(picture_row(bgra, width, height, y), rgb, image_row(output, y),
                                     width);
            }
        });
    }
    lay_under_colour(bgra, width, height, colour, output.height, rows);
    return copy_to_output(bgra, width, height, output, rows);
}

}  // namespace kdr::render
