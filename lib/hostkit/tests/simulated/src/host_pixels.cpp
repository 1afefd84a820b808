#include "kaleidra/hostkit/testing/host_pixels.h"

namespace kdr::hostkit::test {

HostPixels::HostPixels(std::int32_t width, std::int32_t height, std::int32_t row_pixels,
                       std::uint8_t fill)
    : m_width(width),
      m_height(height),
      m_row_bytes((row_pixels > 0 ? row_pixels : width) * 4),
      m_bytes(static_cast<std::size_t>(m_row_bytes) * static_cast<std::size_t>(height), fill) {}

HostPixels HostPixels::from_picture(const kdr::test::Picture& picture, std::uint8_t alpha,
                                    std::int32_t row_pixels) {
    HostPixels pixels(static_cast<std::int32_t>(picture.width),
                      static_cast<std::int32_t>(picture.height), row_pixels, 0x5C);
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            const std::uint8_t* rgb = picture.at(x, y);
            std::uint8_t* bgra =
                pixels.pixel(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
            bgra[0] = rgb[2];
            bgra[1] = rgb[1];
            bgra[2] = rgb[0];
            bgra[3] = alpha;
        }
    }
    return pixels;
}

kdr::test::Picture HostPixels::to_picture() const {
    kdr::test::Picture picture(static_cast<std::uint32_t>(m_width),
                               static_cast<std::uint32_t>(m_height));
    for (std::int32_t y = 0; y < m_height; ++y) {
        for (std::int32_t x = 0; x < m_width; ++x) {
            const std::uint8_t* bgra = pixel(x, y);
            std::uint8_t* rgb =
                picture.at(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
            rgb[0] = bgra[2];
            rgb[1] = bgra[1];
            rgb[2] = bgra[0];
        }
    }
    return picture;
}

std::uint8_t* HostPixels::pixel(std::int32_t x, std::int32_t y) {
    // Rows bottom first.
    return m_bytes.data() + static_cast<std::size_t>(m_height - 1 - y) * m_row_bytes +
           static_cast<std::size_t>(x) * 4;
}

const std::uint8_t* HostPixels::pixel(std::int32_t x, std::int32_t y) const {
    return m_bytes.data() + static_cast<std::size_t>(m_height - 1 - y) * m_row_bytes +
           static_cast<std::size_t>(x) * 4;
}

kdr::test::Picture test_picture(std::uint32_t width, std::uint32_t height, int kind) {
    kdr::test::Picture picture(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* rgb = picture.at(x, y);
            const bool check = ((x / 8) + (y / 8)) % 2 == 0;
            switch (kind % 4) {
                case 0:
                    rgb[0] = check ? 10 : 60;
                    rgb[1] = static_cast<std::uint8_t>((y * 2) & 127);
                    rgb[2] = static_cast<std::uint8_t>(128 + (x & 127));
                    break;
                case 1:
                    rgb[0] = static_cast<std::uint8_t>(255 - (x & 63));
                    rgb[1] = check ? 230 : 40;
                    rgb[2] = 20;
                    break;
                case 2:
                    rgb[0] = 240;
                    rgb[1] = static_cast<std::uint8_t>(200 - (y & 63));
                    rgb[2] = check ? 30 : 90;
                    break;
                default:
                    rgb[0] = check ? 180 : 110;
                    rgb[1] = 20;
                    rgb[2] = static_cast<std::uint8_t>(160 + (y & 63));
                    break;
            }
        }
    }
    return picture;
}

}  // namespace kdr::hostkit::test
