#pragma once
// A drawing surface with its OpenGL context: the off-screen memory surface
// of Rnd_Generic or the X11 window of Rnd_Hardware. A surface's size never
// changes; a new size needs a new surface.
//
// Threads: a surface is used by one thread at a time. Every user makes it
// current on the calling thread first and releases it before another thread
// may take it; drawing state lives in the surface's context, so two surfaces
// may draw on two threads at once.

#include <cstdint>

#include "kaleidra/gl/gl_api.h"

namespace kdr::gl {

class Surface {
  public:
    virtual ~Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    const GlApi& gl() const { return m_gl; }
    // True when the surface keeps red and blue swapped: colours and
    // pictures go in with red and blue exchanged, and the bitmap read back
    // then holds blue, green, red, alpha. (Pictures in that order then go in
    // as plain copies, which the library does far faster.)
    bool swaps_red_blue() const { return m_swap_red_blue; }
    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }

    // Makes the context current on the calling thread.
    [[nodiscard]] virtual bool make_current() = 0;
    // Releases the calling thread's current context.
    virtual void release_current() = 0;

    // Waits for all drawing to end, then gives the colour buffer: width x
    // height pixels of 4 bytes (blue, green, red, alpha), bottom row first,
    // rows of width x 4 bytes. The pointer lives as long as the surface; the
    // pixels hold until the next drawing. The context must be current.
    virtual std::uint8_t* finish_and_read() = 0;

  protected:
    Surface(std::uint32_t width, std::uint32_t height) : m_width(width), m_height(height) {}

    GlApi m_gl;
    bool m_swap_red_blue = false;
    std::uint32_t m_width;
    std::uint32_t m_height;
};

// The largest width or height a surface is created with.
inline constexpr std::uint32_t max_surface_size = 8192;

}  // namespace kdr::gl
