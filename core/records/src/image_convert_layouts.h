#pragma once
// The eight pixel layouts the conversion knows: the six formats, with RGB and
// BGR also in 4-byte pixels whose fourth byte holds no channel. Channel
// offsets are compile-time constants so every loop over them is specialised.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <tuple>

#include "kaleidra/records/layout.h"

namespace kdr::pixel {

template <int Bpp, int R, int G, int B, int A>
struct Layout {
    static constexpr int bpp = Bpp;
    static constexpr int r = R;
    static constexpr int g = G;
    static constexpr int b = B;
    static constexpr int a = A;  // -1: no alpha channel
    static constexpr bool has_alpha = A >= 0;
};

using Rgb3 = Layout<3, 0, 1, 2, -1>;
using Rgb4 = Layout<4, 0, 1, 2, -1>;
using Bgr3 = Layout<3, 2, 1, 0, -1>;
using Bgr4 = Layout<4, 2, 1, 0, -1>;
using Rgba = Layout<4, 0, 1, 2, 3>;
using Bgra = Layout<4, 2, 1, 0, 3>;
using Abgr = Layout<4, 3, 2, 1, 0>;
using Argb = Layout<4, 1, 2, 3, 0>;

using Layouts = std::tuple<Rgb3, Rgb4, Bgr3, Bgr4, Rgba, Bgra, Abgr, Argb>;
inline constexpr std::size_t layout_count = std::tuple_size_v<Layouts>;

template <std::size_t I>
using LayoutAt = std::tuple_element_t<I, Layouts>;

// Index into Layouts, or -1 when the format is not one of the six or the
// pixel is too small for its channels.
constexpr int layout_index(std::uint8_t format, std::uint8_t bytes_per_pixel) {
    const bool three = bytes_per_pixel == 3;
    const bool four = bytes_per_pixel == 4;
    switch (format) {
        case format_rgb:
            return three ? 0 : four ? 1 : -1;
        case format_bgr:
            return three ? 2 : four ? 3 : -1;
        case format_rgba:
            return four ? 4 : -1;
        case format_bgra:
            return four ? 5 : -1;
        case format_abgr:
            return four ? 6 : -1;
        case format_argb:
            return four ? 7 : -1;
        default:
            return -1;
    }
}

template <class S>
inline std::uint8_t source_alpha([[maybe_unused]] const std::uint8_t* pixel) {
    if constexpr (S::has_alpha) {
        return pixel[S::a];
    } else {
        return 255;
    }
}

// One pixel of layout S, read as a little-endian word, moved into a word of
// layout D. The compiler turns the constant shifts into a few instructions
// (a byte swap for BGR to ARGB) and vectorises loops of them.
template <class S, class D>
inline std::uint32_t permute_word(std::uint32_t word) {
    const std::uint32_t red = (word >> (8 * S::r)) & 0xFFu;
    const std::uint32_t green = (word >> (8 * S::g)) & 0xFFu;
    const std::uint32_t blue = (word >> (8 * S::b)) & 0xFFu;
    std::uint32_t out = red << (8 * D::r) | green << (8 * D::g) | blue << (8 * D::b);
    if constexpr (D::has_alpha) {
        if constexpr (S::has_alpha) {
            out |= ((word >> (8 * S::a)) & 0xFFu) << (8 * D::a);
        } else {
            out |= 0xFFu << (8 * D::a);
        }
    }
    return out;
}

// 4-byte pixels into 4-byte pixels, one word at a time. A pad byte of the
// target (4-byte RGB or BGR) becomes 0.
template <class S, class D>
inline void permute_words(const std::uint8_t* __restrict source, std::uint8_t* __restrict target,
                          std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x) {
        std::uint32_t word;
        std::memcpy(&word, source + 4 * static_cast<std::size_t>(x), 4);
        word = permute_word<S, D>(word);
        std::memcpy(target + 4 * static_cast<std::size_t>(x), &word, 4);
    }
}

// 3-byte pixels into 4-byte pixels: each pixel is one 4-byte load (whose last
// byte belongs to the next pixel and is dropped) and one 4-byte store. The
// last pixel of the row is read bytewise so no load passes the row's end.
template <class S, class D>
inline void expand_words(const std::uint8_t* __restrict source, std::uint8_t* __restrict target,
                         std::uint32_t width) {
    if (width == 0) {
        return;
    }
    for (std::uint32_t x = 0; x + 1 < width; ++x) {
        std::uint32_t word;
        std::memcpy(&word, source + 3 * static_cast<std::size_t>(x), 4);
        word = permute_word<S, D>(word);
        std::memcpy(target + 4 * static_cast<std::size_t>(x), &word, 4);
    }
    const std::size_t last = width - 1;
    const std::uint32_t word =
        permute_word<S, D>(static_cast<std::uint32_t>(source[3 * last]) |
                           static_cast<std::uint32_t>(source[3 * last + 1]) << 8 |
                           static_cast<std::uint32_t>(source[3 * last + 2]) << 16);
    std::memcpy(target + 4 * last, &word, 4);
}

}  // namespace kdr::pixel
