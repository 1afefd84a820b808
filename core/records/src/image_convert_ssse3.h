#pragma once
// Row conversions with the SSSE3 byte shuffle, four pixels at a time, for
// pairs of layouts whose pixels differ in size or are 3 bytes (the compiler
// vectorises 4-byte to 4-byte pixels well by itself). Chosen at run time
// when the processor has SSSE3; every x86-64 processor of the last fifteen
// years does.

#include <array>
#include <cstdint>

#include "image_convert_layouts.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define KDR_CONVERT_HAS_SSSE3 1
#include <immintrin.h>

namespace kdr::pixel {

// Source byte for each of the 16 bytes of four target pixels; -1 gives 0.
template <class S, class D>
constexpr std::array<std::int8_t, 16> shuffle_mask() {
    std::array<std::int8_t, 16> mask{};
    for (auto& entry : mask) {
        entry = -1;
    }
    for (int i = 0; i < 4; ++i) {
        mask[i * D::bpp + D::r] = static_cast<std::int8_t>(i * S::bpp + S::r);
        mask[i * D::bpp + D::g] = static_cast<std::int8_t>(i * S::bpp + S::g);
        mask[i * D::bpp + D::b] = static_cast<std::int8_t>(i * S::bpp + S::b);
        if constexpr (D::has_alpha && S::has_alpha) {
            mask[i * D::bpp + D::a] = static_cast<std::int8_t>(i * S::bpp + S::a);
        }
    }
    return mask;
}

// 255 in the alpha byte of each target pixel when the source has no alpha.
template <class S, class D>
constexpr std::array<std::uint8_t, 16> alpha_fill() {
    std::array<std::uint8_t, 16> fill{};
    if constexpr (D::has_alpha && !S::has_alpha) {
        for (int i = 0; i < 4; ++i) {
            fill[i * D::bpp + D::a] = 255;
        }
    }
    return fill;
}

template <class S, class D>
inline constexpr bool shuffle_pays = S::bpp != 4 || D::bpp != 4;

// Converts the first pixels of a row and returns how many it did: every
// 16-byte load and store stays inside the row, and the caller finishes the
// last few pixels.
template <class S, class D>
__attribute__((target("ssse3"))) std::uint32_t shuffle_pixels(const std::uint8_t* source,
                                                              std::uint8_t* target,
                                                              std::uint32_t width) {
    static constexpr std::array<std::int8_t, 16> mask_bytes = shuffle_mask<S, D>();
    static constexpr std::array<std::uint8_t, 16> fill_bytes = alpha_fill<S, D>();
    const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask_bytes.data()));
    const __m128i fill = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fill_bytes.data()));
    std::uint32_t x = 0;
    // 3 x + 16 <= 3 x width holds while x + 6 <= width.
    for (; x + 6 <= width; x += 4) {
        __m128i pixels = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(source + static_cast<std::size_t>(x) * S::bpp));
        pixels = _mm_or_si128(_mm_shuffle_epi8(pixels, mask), fill);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + static_cast<std::size_t>(x) * D::bpp),
                         pixels);
    }
    return x;
}

inline bool processor_has_ssse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

}  // namespace kdr::pixel

#endif
