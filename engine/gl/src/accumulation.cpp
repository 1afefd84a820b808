#include "kaleidra/gl/accumulation.h"

#include <algorithm>
#include <cstddef>

namespace kdr::gl {

void Accumulator::reset(std::uint32_t width, std::uint32_t height) {
    m_width = width;
    m_height = height;
    m_sums.assign(static_cast<std::size_t>(width) * height * 3, 0);
    m_count = 0;
}

void Accumulator::clear() {
    std::fill(m_sums.begin(), m_sums.end(), std::uint16_t{0});
    m_count = 0;
}

void Accumulator::add(const std::uint8_t* bgra) {
    // 16-bit sums hold 257 pictures of 255 before they could overflow.
    if (m_count >= 257) {
        return;
    }
    const std::size_t pixels = static_cast<std::size_t>(m_width) * m_height;
    std::uint16_t* sum = m_sums.data();
    for (std::size_t i = 0; i < pixels; ++i) {
        sum[0] = static_cast<std::uint16_t>(sum[0] + bgra[0]);
        sum[1] = static_cast<std::uint16_t>(sum[1] + bgra[1]);
        sum[2] = static_cast<std::uint16_t>(sum[2] + bgra[2]);
        sum += 3;
        bgra += 4;
    }
    ++m_count;
}

void Accumulator::resolve(std::uint8_t* bgra) const {
    if (m_count == 0) {
        return;
    }
    const std::size_t pixels = static_cast<std::size_t>(m_width) * m_height;
    const std::uint32_t half = m_count / 2;
    const std::uint16_t* sum = m_sums.data();
    for (std::size_t i = 0; i < pixels; ++i) {
        bgra[0] = static_cast<std::uint8_t>((sum[0] + half) / m_count);
        bgra[1] = static_cast<std::uint8_t>((sum[1] + half) / m_count);
        bgra[2] = static_cast<std::uint8_t>((sum[2] + half) / m_count);
        bgra[3] = 255;
        sum += 3;
        bgra += 4;
    }
}

}  // namespace kdr::gl
