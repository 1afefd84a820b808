#pragma once
// The accumulation buffer of motion blur, kept in memory rather than in
// OpenGL: the window-system library of this platform returns accumulated
// values gamma-encoded on some visuals, so both engines accumulate here and
// get the same results. Sub-frames are added with equal weights: adding n
// pictures and resolving gives round(sum / n) per channel, the value an
// OpenGL accumulation of colour x 1/n and a return with factor 1 gives.
//
// One accumulator belongs to one render context; it allocates only when the
// size changes. It may cover only some rows of the pictures (the rows one
// half of a frame needs): those are summed and resolved, the others left
// alone.

#include <cstdint>
#include <vector>

namespace kdr::gl {

class Accumulator {
  public:
    // Sets the size in pixels and clears the sums; every row is covered.
    void reset(std::uint32_t width, std::uint32_t height);
    // The same covering only stored rows [first, first + count) (cut to the
    // height; a count of 0 covers every row).
    void reset(std::uint32_t width, std::uint32_t height, std::uint32_t first, std::uint32_t count);
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
    std::uint32_t m_first = 0;  // the stored rows covered
    std::uint32_t m_rows = 0;
    std::uint32_t m_count = 0;
    std::vector<std::uint16_t> m_sums;  // one per byte of the covered rows
};

}  // namespace kdr::gl
