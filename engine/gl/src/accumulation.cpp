#include "kaleidra/gl/accumulation.h"

#include <algorithm>
#include <cstddef>

namespace kdr::gl {

namespace {

// 16-bit sums hold 257 pictures of 255 before they could overflow.
constexpr std::uint32_t max_pictures = 257;

}  // namespace

void Accumulator::reset(std::uint32_t width, std::uint32_t height) {
    reset(width, height, 0, height);
}

void Accumulator::reset(std::uint32_t width, std::uint32_t height, std::uint32_t first,
                        std::uint32_t count) {
    if (count == 0 || first >= height) {
        first = 0;
        count = height;
    }
    count = std::min(count, height - first);
    const std::size_t size = static_cast<std::size_t>(width) * count * 4;
    if (m_sums.size() != size) {
        m_sums.assign(size, 0);
    } else {
        std::fill(m_sums.begin(), m_sums.end(), std::uint16_t{0});
    }
    m_width = width;
    m_height = height;
    m_first = first;
    m_rows = count;
    m_count = 0;
}

void Accumulator::clear() {
    std::fill(m_sums.begin(), m_sums.end(), std::uint16_t{0});
    m_count = 0;
}

void Accumulator::add(const std::uint8_t* bgra) {
    if (m_count >= max_pictures) {
        return;
    }
    // One sum per byte, alpha included (and ignored when resolving), so the
    // loop is a plain widening add the compiler vectorises.
    std::uint16_t* sum = m_sums.data();
    const std::uint8_t* source = bgra + std::size_t{m_first} * m_width * 4;
    const std::size_t bytes = m_sums.size();
    for (std::size_t i = 0; i < bytes; ++i) {
        sum[i] = static_cast<std::uint16_t>(sum[i] + source[i]);
    }
    ++m_count;
}

void Accumulator::resolve(std::uint8_t* bgra) const {
    if (m_count == 0) {
        return;
    }
    // round(sum / count) for every sum that can occur, looked up.
    std::vector<std::uint8_t> average(std::size_t{m_count} * 255 + 1);
    for (std::size_t s = 0; s < average.size(); ++s) {
        average[s] = static_cast<std::uint8_t>((s + m_count / 2) / m_count);
    }
    const std::uint16_t* sum = m_sums.data();
    const std::size_t pixels = static_cast<std::size_t>(m_width) * m_rows;
    bgra += std::size_t{m_first} * m_width * 4;
    for (std::size_t i = 0; i < pixels; ++i, sum += 4, bgra += 4) {
        bgra[0] = average[sum[0]];
        bgra[1] = average[sum[1]];
        bgra[2] = average[sum[2]];
        bgra[3] = 255;
    }
}

}  // namespace kdr::gl
