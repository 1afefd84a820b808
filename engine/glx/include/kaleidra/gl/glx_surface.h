#pragma once
// The window surface of Rnd_Hardware: an undecorated X11 window that no
// window manager moves (override-redirect), drawn through GLX so that the
// display's driver does the work, and read back into a bitmap the surface
// owns.
//
// Each surface opens its own connection to the X server, so surfaces used
// on different threads never share one. The window is created hidden.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/gl/surface.h"
#include "kaleidra/platform/result.h"

namespace kdr::gl {

// Makes Xlib safe for use from several threads; done once per process
// before the first connection is opened, whichever thread comes first.
void prepare_xlib_threads();

struct GlxSurfaceOptions {
    std::int32_t x = 0;  // window position on the screen
    std::int32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string display_name;  // empty: $DISPLAY
};

class GlxSurface final : public Surface {
  public:
    // Fails when a size is 0 or above max_surface_size, when the display
    // cannot be opened, or when no suitable visual, window or context can be
    // made.
    static Result<std::unique_ptr<GlxSurface>> create(const GlxSurfaceOptions& options);
    ~GlxSurface() override;

    bool make_current() override;
    void release_current() override;
    std::uint8_t* finish_and_read() override;

    // The window's X11 id (for other connections that hide it).
    unsigned long window_id() const;
    // Maps the window above its siblings. Override-redirect windows never
    // take the input focus.
    void show();

  private:
    struct X11;
    GlxSurface(std::uint32_t width, std::uint32_t height);

    std::unique_ptr<X11> m_x;
    std::vector<std::uint8_t> m_pixels;
};

}  // namespace kdr::gl
