#pragma once
// Pictures as Premiere and Speed Razor keep them for the simulated hosts:
// 32-bit pixels, blue, green, red, alpha in memory, the first row in memory
// the bottom of the picture, rows `row_bytes` long (Speed Razor: exactly
// the width). Converted from and to the tests' pictures (red, green, blue,
// top row first).

#include <cstdint>
#include <vector>

#include "kaleidra/testing/picture_compare.h"

namespace kdr::hostkit::test {

class HostPixels {
  public:
    HostPixels() = default;
    // Every byte `fill`; rows of `row_pixels` pixels (0: the width).
    HostPixels(std::int32_t width, std::int32_t height, std::int32_t row_pixels = 0,
               std::uint8_t fill = 0);
    // The picture with every alpha byte `alpha`.
    static HostPixels from_picture(const kdr::test::Picture& picture, std::uint8_t alpha = 0x80,
                                   std::int32_t row_pixels = 0);

    kdr::test::Picture to_picture() const;

    std::uint8_t* data() { return m_bytes.data(); }
    const std::uint8_t* data() const { return m_bytes.data(); }
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }
    std::int32_t row_bytes() const { return m_row_bytes; }
    // Pixel (x, y), y counted from the top of the picture.
    std::uint8_t* pixel(std::int32_t x, std::int32_t y);
    const std::uint8_t* pixel(std::int32_t x, std::int32_t y) const;

  private:
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::int32_t m_row_bytes = 0;
    std::vector<std::uint8_t> m_bytes;
};

// A busy test picture: `kind` 0 to 3 give pictures that share no colour.
kdr::test::Picture test_picture(std::uint32_t width, std::uint32_t height, int kind);

}  // namespace kdr::hostkit::test
