#include "lay_rows.h"

#include <algorithm>

#if defined(__SSE2__) && defined(__GNUC__)
#include <immintrin.h>
#define KDR_LAY_HAS_X86 1
#endif

#include "kaleidra/records/layout.h"

namespace kdr::render {

namespace {

// round(a x b / 255) for a, b in 0..255, exactly.
inline std::uint32_t scale255(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

inline std::uint8_t saturate(std::uint32_t value) {
    return static_cast<std::uint8_t>(value > 255 ? 255 : value);
}

void lay_pixels_portable(const std::uint8_t* picture, const std::uint8_t* under, bool under_fixed,
                         std::uint8_t* target, std::uint32_t from, std::uint32_t width) {
    for (std::uint32_t x = from; x < width; ++x) {
        const std::uint8_t* p = picture + std::size_t{x} * 4;
        const std::uint8_t* u = under_fixed ? under : under + std::size_t{x} * 4;
        const std::uint32_t open = 255u - p[3];
        const std::uint8_t blue = saturate(p[0] + scale255(open, u[0]));
        const std::uint8_t green = saturate(p[1] + scale255(open, u[1]));
        const std::uint8_t red = saturate(p[2] + scale255(open, u[2]));
        std::uint8_t* t = target + std::size_t{x} * 4;
        t[0] = blue;
        t[1] = green;
        t[2] = red;
        t[3] = 255;
    }
}

#if defined(KDR_LAY_HAS_X86)
std::uint32_t fixed_word(const std::uint8_t* under) {
    return std::uint32_t{under[0]} | std::uint32_t{under[1]} << 8 | std::uint32_t{under[2]} << 16;
}

// Four pixels at a time: the same sums in 16-bit lanes, saturated by the
// final pack.
void lay_row_sse2(const std::uint8_t* picture, const std::uint8_t* under, bool under_fixed,
                  std::uint8_t* target, std::uint32_t width) {
    if (width == 0) {
        return;  // a fixed colour beneath is read only for pixels that exist
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    const __m128i half = _mm_set1_epi16(128);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    const __m128i fixed = under_fixed ? _mm_set1_epi32(static_cast<int>(fixed_word(under))) : zero;
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
    lay_pixels_portable(picture, under, under_fixed, target, x, width);
}

// Sixteen-bit lanes of picture and beneath: p + round((255 - alpha) u / 255).
__attribute__((target("avx2"), always_inline)) inline __m256i lay_lanes_avx2(__m256i p, __m256i u) {
    const __m256i open = _mm256_sub_epi16(
        _mm256_set1_epi16(255), _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(p, 0xff), 0xff));
    __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(open, u), _mm256_set1_epi16(128));
    t = _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
    return _mm256_add_epi16(p, t);
}

// Eight pixels at a time. Runs where every pixel is uncovered (alpha 0: the
// picture's colour, from additive highlights, plus what lies beneath) or
// wholly covered (alpha 255: the picture) skip the multiplications; they
// give exactly what the sums give.
__attribute__((target("avx2"))) void lay_row_avx2(const std::uint8_t* picture,
                                                  const std::uint8_t* under, bool under_fixed,
                                                  std::uint8_t* target, std::uint32_t width) {
    if (width == 0) {
        return;
    }
    const __m256i zero = _mm256_setzero_si256();
    const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xff000000u));
    const __m256i fixed =
        under_fixed ? _mm256_set1_epi32(static_cast<int>(fixed_word(under))) : zero;
    std::uint32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(picture + x * 4));
        const __m256i u = under_fixed
                              ? fixed
                              : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(under + x * 4));
        __m256i result;
        if (_mm256_testz_si256(p, opaque)) {
            result = _mm256_adds_epu8(p, u);
        } else if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(p, opaque), opaque)) ==
                   -1) {
            result = p;
        } else {
            const __m256i low =
                lay_lanes_avx2(_mm256_unpacklo_epi8(p, zero), _mm256_unpacklo_epi8(u, zero));
            const __m256i high =
                lay_lanes_avx2(_mm256_unpackhi_epi8(p, zero), _mm256_unpackhi_epi8(u, zero));
            result = _mm256_packus_epi16(low, high);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + x * 4),
                            _mm256_or_si256(result, opaque));
    }
    lay_row_sse2(picture + x * 4, under_fixed ? under : under + std::size_t{x} * 4, under_fixed,
                 target + x * 4, width - x);
}
#endif

using LayRowFn = void (*)(const std::uint8_t*, const std::uint8_t*, bool, std::uint8_t*,
                          std::uint32_t);

LayRowFn pick_lay_row() {
#if defined(KDR_LAY_HAS_X86)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        return &lay_row_avx2;
    }
    return &lay_row_sse2;
#else
    return &lay_row_bgra_portable;
#endif
}

const LayRowFn lay_row_fastest = pick_lay_row();

// Pixels converted at a time when the video or the target has another
// layout: small enough to stay in the first-level cache.
constexpr std::uint32_t chunk = 256;

}  // namespace

void lay_row_bgra_portable(const std::uint8_t* picture, const std::uint8_t* under, bool under_fixed,
                           std::uint8_t* target, std::uint32_t width) {
    lay_pixels_portable(picture, under, under_fixed, target, 0, width);
}

void lay_row_bgra(const std::uint8_t* picture, const std::uint8_t* under, bool under_fixed,
                  std::uint8_t* target, std::uint32_t width) {
    lay_row_fastest(picture, under, under_fixed, target, width);
}

RowLayer::RowLayer(std::uint8_t under_format, std::uint8_t under_bytes_per_pixel,
                   std::uint8_t target_format, std::uint8_t target_bytes_per_pixel)
    : m_under_bpp(under_bytes_per_pixel), m_target_bpp(target_bytes_per_pixel) {
    if (!image_layout_supported(under_format, under_bytes_per_pixel) ||
        !image_layout_supported(target_format, target_bytes_per_pixel)) {
        return;
    }
    if (under_format != format_bgra) {
        m_to_bgra = image_convert_row_function(under_format, under_bytes_per_pixel, format_bgra, 4);
    }
    if (target_format != format_bgra) {
        m_from_bgra =
            image_convert_row_function(format_bgra, 4, target_format, target_bytes_per_pixel);
    }
    m_valid = (under_format == format_bgra || m_to_bgra != nullptr) &&
              (target_format == format_bgra || m_from_bgra != nullptr);
}

void RowLayer::lay(const std::uint8_t* picture, const std::uint8_t* under, std::uint8_t* target,
                   std::uint32_t width) const {
    if (m_to_bgra == nullptr && m_from_bgra == nullptr) {
        lay_row_bgra(picture, under, false, target, width);
        return;
    }
    alignas(32) std::uint8_t under_bgra[chunk * 4];
    alignas(32) std::uint8_t laid[chunk * 4];
    for (std::uint32_t x = 0; x < width; x += chunk) {
        const std::uint32_t count = std::min(chunk, width - x);
        const std::uint8_t* u = under + std::size_t{x} * m_under_bpp;
        if (m_to_bgra != nullptr) {
            m_to_bgra(u, under_bgra, count);
            u = under_bgra;
        }
        std::uint8_t* t = m_from_bgra != nullptr ? laid : target + std::size_t{x} * 4;
        lay_row_bgra(picture + std::size_t{x} * 4, u, false, t, count);
        if (m_from_bgra != nullptr) {
            m_from_bgra(laid, target + std::size_t{x} * m_target_bpp, count);
        }
    }
}

void RowLayer::lay_on_colour(const std::uint8_t* picture, const std::uint8_t (&bgr)[3],
                             std::uint8_t* target, std::uint32_t width) const {
    if (m_from_bgra == nullptr) {
        lay_row_bgra(picture, bgr, true, target, width);
        return;
    }
    alignas(32) std::uint8_t laid[chunk * 4];
    for (std::uint32_t x = 0; x < width; x += chunk) {
        const std::uint32_t count = std::min(chunk, width - x);
        lay_row_bgra(picture + std::size_t{x} * 4, bgr, true, laid, count);
        m_from_bgra(laid, target + std::size_t{x} * m_target_bpp, count);
    }
}

}  // namespace kdr::render
