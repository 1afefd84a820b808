#pragma once
// A drawing surface with its OpenGL context: the off-screen memory surface
// of Rnd_Generic or the X11 window of Rnd_Hardware. A surface's size never
// changes; a new size needs a new surface.
//
// A drawing may need only some rows of the picture (one context draws the
// upper half of a frame, another the lower half): set_rows() restricts the
// drawing, the clears and the reading to them, so a half costs about half a
// frame. Pixels inside the rows are exactly those of a whole drawing, since
// the projection and viewport stay those of the whole surface; rows outside
// are left undefined.
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

    // The picture rows, counted from the top, that drawings need from now
    // on: [first, first + count), cut to the surface. A count of 0, or the
    // whole height, means every row. Sets the scissor box (the drawing core
    // leaves the scissor to the surface). The context must be current.
    void set_rows(std::uint32_t first, std::uint32_t count);
    std::uint32_t first_row() const { return m_first_row; }
    std::uint32_t row_count() const { return m_row_count; }
    bool all_rows() const { return m_first_row == 0 && m_row_count == m_height; }

    // Clears the colour buffer to `rgba` (as the library takes colours: red
    // and blue already exchanged on swapping surfaces) and/or the depth
    // buffer to 1 in at least the rows in force. The context must be current.
    virtual void clear(bool colour, bool depth, const float (&rgba)[4]);

    // Keeps the colour and depth of the rows in force as they are now
    // (after the drawing issued so far), to give them back later in place of
    // a clear and the same drawing: a backdrop drawn alike in every frame.
    // restore_kept() gives them back into the same rows; false when nothing
    // is kept for these rows. Both false where the surface cannot keep
    // pictures (the window, the library's own buffer). The context must be
    // current.
    virtual bool keep() { return false; }
    virtual bool restore_kept() { return false; }

    // Waits for all drawing to end, then gives the colour buffer: width x
    // height pixels of 4 bytes (blue, green, red, alpha), bottom row first,
    // rows of width x 4 bytes, of which at least the rows in force hold the
    // picture. The pointer lives as long as the surface; the pixels hold
    // until the next drawing. The context must be current.
    virtual std::uint8_t* finish_and_read() = 0;

  protected:
    Surface(std::uint32_t width, std::uint32_t height)
        : m_width(width), m_height(height), m_row_count(height) {}

    // True when the context's window y = 0 is the picture's top row (a
    // framebuffer drawn with the upper-left origin), false when it is the
    // bottom row (the library's own framebuffer or a window).
    virtual bool top_row_at_origin() const { return false; }
    // The lowest window row of the rows in force and their number.
    std::int32_t window_first_row() const;

    GlApi m_gl;
    bool m_swap_red_blue = false;
    std::uint32_t m_width;
    std::uint32_t m_height;
    std::uint32_t m_first_row = 0;
    std::uint32_t m_row_count;
};

// The largest width or height a surface is created with.
inline constexpr std::uint32_t max_surface_size = 8192;

}  // namespace kdr::gl
