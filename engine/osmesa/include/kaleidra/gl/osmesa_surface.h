#pragma once
// The memory surface of Rnd_Generic: an off-screen OpenGL context that
// draws into a bitmap the surface owns (bottom row first), with a 24-bit
// depth buffer. The bitmap is read as blue, green, red, alpha; with
// `swap_red_blue` the context itself stores red, green, blue, alpha, so that
// callers that exchange red and blue in everything they give it get the
// same picture while their blue-first pictures upload as plain copies.

#include <memory>
#include <vector>

#include "kaleidra/gl/surface.h"
#include "kaleidra/platform/result.h"

namespace kdr::gl {

class OsMesaSurface final : public Surface {
  public:
    // Fails when a size is 0 or above max_surface_size, or when the context
    // cannot be created.
    static Result<std::unique_ptr<OsMesaSurface>> create(std::uint32_t width, std::uint32_t height,
                                                         bool swap_red_blue = false);
    ~OsMesaSurface() override;

    bool make_current() override;
    void release_current() override;
    std::uint8_t* finish_and_read() override;

  private:
    OsMesaSurface(std::uint32_t width, std::uint32_t height) : Surface(width, height) {}

    void* m_context = nullptr;  // OSMesaContext
    std::vector<std::uint8_t> m_pixels;
};

}  // namespace kdr::gl
