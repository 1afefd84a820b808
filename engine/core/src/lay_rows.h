#pragma once
// The row loops that lay a drawn picture (blue, green, red, alpha over a
// transparent background) onto what lies beneath it: result = colour +
// (1 - alpha) x under, channel by channel, rounded exactly and saturated,
// alpha 255 (picture_output.h). One loop for blue, green, red, alpha rows,
// picked once for the processor (eight pixels at a time with AVX2, four
// with SSE2); other layouts of the video beneath and of the target are
// converted to and from that layout in short chunks with image_convert's
// row loops, so every pair of layouts runs at nearly the speed of the
// common one.

#include <cstdint>

#include "kaleidra/records/image_convert.h"

namespace kdr::render {

// Lays `width` pixels of `picture` onto `under` (blue, green, red, alpha;
// with `under_fixed` one pixel under all of them) into `target` (blue,
// green, red, alpha 255). `target` may be `picture`.
void lay_row_bgra(const std::uint8_t* picture, const std::uint8_t* under, bool under_fixed,
                  std::uint8_t* target, std::uint32_t width);

// For tests: lay_row_bgra with the portable loop, whatever the processor.
void lay_row_bgra_portable(const std::uint8_t* picture, const std::uint8_t* under, bool under_fixed,
                           std::uint8_t* target, std::uint32_t width);

// Rows laid from a video of one layout into a target of another.
class RowLayer {
  public:
    // False from valid() when a layout is not one image_convert knows.
    RowLayer(std::uint8_t under_format, std::uint8_t under_bytes_per_pixel,
             std::uint8_t target_format, std::uint8_t target_bytes_per_pixel);
    bool valid() const { return m_valid; }

    // One row: `under` in the video's layout, `target` in the target's.
    // `target` may be `picture` only when the target layout is blue, green,
    // red, alpha.
    void lay(const std::uint8_t* picture, const std::uint8_t* under, std::uint8_t* target,
             std::uint32_t width) const;
    // One row onto a plain colour (blue, green, red).
    void lay_on_colour(const std::uint8_t* picture, const std::uint8_t (&bgr)[3],
                       std::uint8_t* target, std::uint32_t width) const;

  private:
    ConvertRowFunction m_to_bgra = nullptr;    // null: the video is blue, green, red, alpha
    ConvertRowFunction m_from_bgra = nullptr;  // null: the target is
    std::uint8_t m_under_bpp = 4;
    std::uint8_t m_target_bpp = 4;
    bool m_valid = false;
};

}  // namespace kdr::render
