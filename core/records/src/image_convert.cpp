#include "kaleidra/records/image_convert.h"

#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <utility>
#include <vector>

#include "image_convert_layouts.h"
#include "image_convert_ssse3.h"
#include "image_convert_testing.h"
#include "kaleidra/records/alpha_bias.h"
#include "kaleidra/records/image_record.h"

namespace kdr {
namespace {

using namespace pixel;

std::atomic<bool> portable_forced{false};

bool portable_conversion_forced() {
    return portable_forced.load(std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------
// Same size: one loop per pair of layouts, channel offsets known at compile
// time so the compiler can unroll and vectorise.

template <class S, class D>
void convert_row_portable(const std::uint8_t* __restrict source, std::uint8_t* __restrict target,
                          std::uint32_t width) {
    if constexpr (std::is_same_v<S, D>) {
        std::memcpy(target, source, static_cast<std::size_t>(width) * S::bpp);
    } else if constexpr (S::bpp == 4 && D::bpp == 4 && std::endian::native == std::endian::little) {
        permute_words<S, D>(source, target, width);
    } else if constexpr (S::bpp == 3 && D::bpp == 4 && std::endian::native == std::endian::little) {
        expand_words<S, D>(source, target, width);
    } else {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = source + static_cast<std::size_t>(x) * S::bpp;
            std::uint8_t* q = target + static_cast<std::size_t>(x) * D::bpp;
            const std::uint8_t red = p[S::r];
            const std::uint8_t green = p[S::g];
            const std::uint8_t blue = p[S::b];
            q[D::r] = red;
            q[D::g] = green;
            q[D::b] = blue;
            if constexpr (D::has_alpha) {
                q[D::a] = source_alpha<S>(p);
            }
        }
    }
}

#ifdef KDR_CONVERT_HAS_SSSE3
template <class S, class D>
void convert_row_ssse3(const std::uint8_t* __restrict source, std::uint8_t* __restrict target,
                       std::uint32_t width) {
    const std::uint32_t done = shuffle_pixels<S, D>(source, target, width);
    convert_row_portable<S, D>(source + static_cast<std::size_t>(done) * S::bpp,
                               target + static_cast<std::size_t>(done) * D::bpp, width - done);
}
#endif

// ---------------------------------------------------------------------------
// Exactly half the size: every destination pixel averages a 2 x 2 block.

template <class S, class D>
void halve_row(const std::uint8_t* __restrict upper, const std::uint8_t* __restrict lower,
               std::uint8_t* __restrict target, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t* p = upper + static_cast<std::size_t>(x) * 2 * S::bpp;
        const std::uint8_t* q = lower + static_cast<std::size_t>(x) * 2 * S::bpp;
        std::uint8_t* t = target + static_cast<std::size_t>(x) * D::bpp;
        auto average = [&](int channel) {
            const unsigned sum =
                p[channel] + p[S::bpp + channel] + q[channel] + q[S::bpp + channel];
            return static_cast<std::uint8_t>(sum >> 2);
        };
        t[D::r] = average(S::r);
        t[D::g] = average(S::g);
        t[D::b] = average(S::b);
        if constexpr (D::has_alpha) {
            if constexpr (S::has_alpha) {
                t[D::a] = average(S::a);
            } else {
                t[D::a] = 255;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Any other size: source rows are summed into a row of accumulators (red,
// green, blue, alpha per destination pixel), then divided by the block's
// pixel count.

struct Blocks {
    std::vector<std::uint32_t> column_start;  // dw + 1 entries
    std::vector<std::uint32_t> column_count;  // dw entries, each >= 1
};

template <class S>
void accumulate_row(const std::uint8_t* __restrict source, std::uint32_t* __restrict sums,
                    const Blocks& blocks, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x) {
        std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
        const std::uint32_t first = blocks.column_start[x];
        for (std::uint32_t c = 0; c < blocks.column_count[x]; ++c) {
            const std::uint8_t* p = source + static_cast<std::size_t>(first + c) * S::bpp;
            red += p[S::r];
            green += p[S::g];
            blue += p[S::b];
            alpha += source_alpha<S>(p);
        }
        std::uint32_t* sum = sums + 4 * static_cast<std::size_t>(x);
        sum[0] += red;
        sum[1] += green;
        sum[2] += blue;
        sum[3] += alpha;
    }
}

template <class D>
void store_averages(const std::uint32_t* sums, std::uint8_t* target, const Blocks& blocks,
                    std::uint32_t rows, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint32_t count = blocks.column_count[x] * rows;
        const std::uint32_t* sum = sums + 4 * static_cast<std::size_t>(x);
        std::uint8_t* t = target + static_cast<std::size_t>(x) * D::bpp;
        t[D::r] = static_cast<std::uint8_t>(sum[0] / count);
        t[D::g] = static_cast<std::uint8_t>(sum[1] / count);
        t[D::b] = static_cast<std::uint8_t>(sum[2] / count);
        if constexpr (D::has_alpha) {
            t[D::a] = static_cast<std::uint8_t>(sum[3] / count);
        }
    }
}

// ---------------------------------------------------------------------------
// Dispatch tables, indexed by layout_index() of source and destination.

using ConvertRowFn = void (*)(const std::uint8_t*, std::uint8_t*, std::uint32_t);
using HalveRowFn = void (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::uint32_t);
using AccumulateFn = void (*)(const std::uint8_t*, std::uint32_t*, const Blocks&, std::uint32_t);
using StoreFn = void (*)(const std::uint32_t*, std::uint8_t*, const Blocks&, std::uint32_t,
                         std::uint32_t);

template <class S, class D>
constexpr ConvertRowFn fastest_convert_row([[maybe_unused]] bool shuffle) {
#ifdef KDR_CONVERT_HAS_SSSE3
    if constexpr (!std::is_same_v<S, D> && shuffle_pays<S, D>) {
        if (shuffle) {
            return &convert_row_ssse3<S, D>;
        }
    }
#endif
    return &convert_row_portable<S, D>;
}

template <std::size_t... I>
constexpr auto make_convert_table(bool shuffle, std::index_sequence<I...>) {
    return std::array<ConvertRowFn, layout_count * layout_count>{
        fastest_convert_row<LayoutAt<I / layout_count>, LayoutAt<I % layout_count>>(shuffle)...};
}

template <std::size_t... I>
constexpr auto make_halve_table(std::index_sequence<I...>) {
    return std::array<HalveRowFn, layout_count * layout_count>{
        &halve_row<LayoutAt<I / layout_count>, LayoutAt<I % layout_count>>...};
}

template <std::size_t... I>
constexpr auto make_accumulate_table(std::index_sequence<I...>) {
    return std::array<AccumulateFn, layout_count>{&accumulate_row<LayoutAt<I>>...};
}

template <std::size_t... I>
constexpr auto make_store_table(std::index_sequence<I...>) {
    return std::array<StoreFn, layout_count>{&store_averages<LayoutAt<I>>...};
}

constexpr auto portable_convert_table =
    make_convert_table(false, std::make_index_sequence<layout_count * layout_count>{});
#ifdef KDR_CONVERT_HAS_SSSE3
constexpr auto shuffle_convert_table =
    make_convert_table(true, std::make_index_sequence<layout_count * layout_count>{});
#endif

const std::array<ConvertRowFn, layout_count * layout_count>& convert_table() {
#ifdef KDR_CONVERT_HAS_SSSE3
    if (processor_has_ssse3() && !portable_conversion_forced()) {
        return shuffle_convert_table;
    }
#endif
    return portable_convert_table;
}
constexpr auto halve_table =
    make_halve_table(std::make_index_sequence<layout_count * layout_count>{});
constexpr auto accumulate_table = make_accumulate_table(std::make_index_sequence<layout_count>{});
constexpr auto store_table = make_store_table(std::make_index_sequence<layout_count>{});

bool usable(const ImageRecord& image) {
    return image.buffer != nullptr && image.width > 0 && image.height > 0 &&
           layout_index(image.format, image.bytes_per_pixel) >= 0;
}

// The source's rows as a conversion reads them: straight from its buffer, or,
// when its alpha has a bias that the destination keeps, copies with the bias
// added (two at a time, for the halving loop).
class SourceRows {
  public:
    SourceRows(const ImageRecord& source, const ImageRecord& destination) : m_source(source) {
        if (image_has_alpha(destination.format)) {
            m_offset = image_alpha_offset(source);
        }
        if (m_offset != 0) {
            for (std::vector<std::uint8_t>& copy : m_copies) {
                copy.resize(std::size_t{source.width} * source.bytes_per_pixel);
            }
        }
    }
    const std::uint8_t* row(std::uint32_t y, int copy = 0) {
        const std::uint8_t* stored = image_row(m_source, y);
        if (m_offset == 0) {
            return stored;
        }
        std::vector<std::uint8_t>& biased = m_copies[copy];
        std::memcpy(biased.data(), stored, biased.size());
        offset_alpha_row(biased.data(), m_source.format, m_source.width, m_offset);
        return biased.data();
    }

  private:
    const ImageRecord& m_source;
    int m_offset = 0;
    std::vector<std::uint8_t> m_copies[2];
};

// Source rows y*sh/dh .. (y+1)*sh/dh - 1, at least one.
std::pair<std::uint32_t, std::uint32_t> block_span(std::uint32_t index, std::uint32_t source_size,
                                                   std::uint32_t target_size) {
    const auto first = static_cast<std::uint32_t>(std::uint64_t{index} * source_size / target_size);
    const auto end =
        static_cast<std::uint32_t>(std::uint64_t{index + 1} * source_size / target_size);
    return {first, end > first ? end - first : 1};
}

void convert_any_size(const ImageRecord& source, const ImageRecord& target, int source_layout,
                      int target_layout, std::uint32_t first_row, std::uint32_t end_row) {
    Blocks blocks;
    blocks.column_start.resize(target.width + 1);
    blocks.column_count.resize(target.width);
    for (std::uint32_t x = 0; x < target.width; ++x) {
        auto [first, count] = block_span(x, source.width, target.width);
        blocks.column_start[x] = first;
        blocks.column_count[x] = count;
    }
    std::vector<std::uint32_t> sums(4 * static_cast<std::size_t>(target.width));
    const AccumulateFn accumulate = accumulate_table[source_layout];
    const StoreFn store = store_table[target_layout];
    SourceRows rows(source, target);
    for (std::uint32_t y = first_row; y < end_row; ++y) {
        auto [first, count] = block_span(y, source.height, target.height);
        std::fill(sums.begin(), sums.end(), 0u);
        for (std::uint32_t r = 0; r < count; ++r) {
            accumulate(rows.row(first + r), sums.data(), blocks, target.width);
        }
        store(sums.data(), image_row(target, y), blocks, count, target.width);
    }
}

}  // namespace

void force_portable_conversion(bool portable) {
    portable_forced.store(portable, std::memory_order_relaxed);
}

bool image_layout_supported(std::uint8_t format, std::uint8_t bytes_per_pixel) {
    return layout_index(format, bytes_per_pixel) >= 0;
}

ConvertRowFunction image_convert_row_function(std::uint8_t source_format,
                                              std::uint8_t source_bytes_per_pixel,
                                              std::uint8_t target_format,
                                              std::uint8_t target_bytes_per_pixel) {
    const int source_layout = layout_index(source_format, source_bytes_per_pixel);
    const int target_layout = layout_index(target_format, target_bytes_per_pixel);
    if (source_layout < 0 || target_layout < 0) {
        return nullptr;
    }
    return convert_table()[static_cast<std::size_t>(source_layout) * layout_count +
                           static_cast<std::size_t>(target_layout)];
}

bool image_convert(const ImageRecord& source, const ImageRecord& destination, int rows) {
    if (!usable(source) || !usable(destination)) {
        return false;
    }
    const std::uint32_t height = destination.height;
    std::uint32_t first_row = 0;
    std::uint32_t end_row = height;
    switch (rows) {
        case convert_all_rows:
            break;
        case convert_upper_half:
            end_row = height / 2;
            break;
        case convert_lower_half:
            first_row = height / 2;
            break;
        default:
            return false;
    }
    const int source_layout = layout_index(source.format, source.bytes_per_pixel);
    const int target_layout = layout_index(destination.format, destination.bytes_per_pixel);
    const std::size_t pair = static_cast<std::size_t>(source_layout) * layout_count +
                             static_cast<std::size_t>(target_layout);

    if (source.width == destination.width && source.height == destination.height) {
        const ConvertRowFn convert = convert_table()[pair];
        SourceRows rows(source, destination);
        for (std::uint32_t y = first_row; y < end_row; ++y) {
            convert(rows.row(y), image_row(destination, y), destination.width);
        }
    } else if (source.width == 2 * std::uint64_t{destination.width} &&
               source.height == 2 * std::uint64_t{destination.height}) {
        const HalveRowFn halve = halve_table[pair];
        SourceRows rows(source, destination);
        for (std::uint32_t y = first_row; y < end_row; ++y) {
            halve(rows.row(2 * y, 0), rows.row(2 * y + 1, 1), image_row(destination, y),
                  destination.width);
        }
    } else {
        convert_any_size(source, destination, source_layout, target_layout, first_row, end_row);
    }
    return true;
}

}  // namespace kdr
