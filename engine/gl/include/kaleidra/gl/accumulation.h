#pragma once
// The accumulation buffer of motion blur, kept in memory rather than in
// OpenGL: the window-system library of this platform returns accumulated
// values gamma-encoded on some visuals, so both engines accumulate here and
// get the same results. Sub-frames are added with equal weights: adding n
// pictures and resolving gives round(sum / n) per channel, the value an
// OpenGL accumulation of colour x 1/n and a return with factor 1 gives.
//
// One accumulator belongs to one render context; it allocates only when the
// size changes.

#include <cstdint>
#include <vector>

namespace kdr::gl {

class Accumulator {
  public:
    // Sets the size in pixels and clears the sums.
    void reset(std::uint32_t width, std::uint32_t height);
    void clear();
    // Adds a picture of the accumulator's size: 4 bytes per pixel (blue,
    // green, red, alpha), rows of width x 4 bytes. Alpha is not accumulated.
    void add(const std::uint8_t* bgra);
    std::uint32_t count() const { return m_count; }
    // Writes the average of the pictures added since the last clear into
    // `bgra` (same layout; alpha becomes 255). Nothing when none was added.
    void resolve(std::uint8_t* bgra) const;

  private:
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    std::uint32_t m_count = 0;
    std::vector<std::uint16_t> m_sums;  // one per byte of the pictures
};

}  // namespace kdr::gl
