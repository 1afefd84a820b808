#pragma once
// The memory surface of Rnd_Generic: an off-screen OpenGL context that
// draws into a bitmap the surface owns (bottom row first), with a 24-bit
// depth buffer. The bitmap is read as blue, green, red, alpha; with
// `swap_red_blue` the context itself stores red, green, blue, alpha, so that
// callers that exchange red and blue in everything they give it get the
// same picture while their blue-first pictures upload as plain copies.
//
// Where the context draws:
// - `own_framebuffer` (the default when the library offers framebuffer
//   objects, clip control, texture clears and inverted packing): a colour
//   and a depth texture of the surface's size drawn with the upper-left
//   origin, which makes every pixel exactly what the library's own buffer
//   would hold. Only the rows in force are cleared (as plain memory fills
//   when the rows are not all) and read into the bitmap; the library's own
//   buffer is a single pixel that it never copies. The surface can keep the
//   colour and depth of its rows and give them back (one copy each).
// - `library_buffer`: the library's own buffer, which it copies whole into
//   the bitmap when drawing finishes.
//
// The choice is made when the surface is first made current.

#include <memory>
#include <vector>

#include "kaleidra/gl/surface.h"
#include "kaleidra/platform/result.h"

namespace kdr::gl {

enum class OsMesaTarget { own_framebuffer, library_buffer };

class OsMesaSurface final : public Surface {
  public:
    // Fails when a size is 0 or above max_surface_size, or when the context
    // cannot be created. `wanted` own_framebuffer falls back to the
    // library's buffer when the library cannot draw into one.
    static Result<std::unique_ptr<OsMesaSurface>> create(
        std::uint32_t width, std::uint32_t height, bool swap_red_blue = false,
        OsMesaTarget wanted = OsMesaTarget::own_framebuffer);
    ~OsMesaSurface() override;

    bool make_current() override;
    void release_current() override;
    void clear(bool colour, bool depth, const float (&rgba)[4]) override;
    bool keep() override;
    bool restore_kept() override;
    std::uint8_t* finish_and_read() override;

    // Where the context draws; decided when it is first made current.
    OsMesaTarget target() const { return m_target; }

  protected:
    bool top_row_at_origin() const override { return m_target == OsMesaTarget::own_framebuffer; }

  private:
    struct Framebuffer;
    OsMesaSurface(std::uint32_t width, std::uint32_t height);
    bool make_framebuffer();

    void* m_context = nullptr;  // OSMesaContext
    bool m_decided = false;
    OsMesaTarget m_target = OsMesaTarget::library_buffer;
    OsMesaTarget m_wanted = OsMesaTarget::own_framebuffer;
    std::unique_ptr<Framebuffer> m_framebuffer;
    bool m_kept = false;  // the kept textures hold the rows below
    bool m_kept_textures = false;
    std::uint32_t m_kept_first = 0;
    std::uint32_t m_kept_count = 0;
    std::uint32_t m_library_pixel = 0;  // the library's buffer while drawing into our own
    std::vector<std::uint8_t> m_pixels;
};

}  // namespace kdr::gl
