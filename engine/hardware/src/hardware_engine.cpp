// Rnd_Hardware: draws into an X11 window through GLX, so that the display's
// driver does the drawing, and reads the picture back.

#include "engine_exports.h"
#include "idle_windows.h"
#include "kaleidra/gl/glx_surface.h"

namespace kdr::render {

namespace {

class HardwareBackend final : public EngineBackend {
  public:
    const char* library_name() const override { return "Rnd_Hardware"; }
    Result<std::unique_ptr<gl::Surface>> create_surface(std::uint32_t width,
                                                        std::uint32_t height) override {
        const int place = m_windows.reserve_place();
        gl::GlxSurfaceOptions options;
        options.x = 0;
        options.y = static_cast<std::int32_t>(static_cast<std::int64_t>(place) * height);
        options.width = width;
        options.height = height;
        auto surface = gl::GlxSurface::create(options);
        if (!surface.ok()) {
            m_windows.release_place(place);
            return Error{surface.error()};
        }
        gl::GlxSurface& window = *surface.value();
        {
            std::lock_guard<std::mutex> lock(m_places_mutex);
            m_places.push_back({window.window_id(), place});
        }
        window.show();
        m_windows.add(window.window_id());
        return std::unique_ptr<gl::Surface>(std::move(surface.value()));
    }

    void surface_released(gl::Surface& surface) override {
        const unsigned long id = static_cast<gl::GlxSurface&>(surface).window_id();
        m_windows.remove(id);
        std::lock_guard<std::mutex> lock(m_places_mutex);
        for (auto it = m_places.begin(); it != m_places.end(); ++it) {
            if (it->window == id) {
                m_windows.release_place(it->place);
                m_places.erase(it);
                break;
            }
        }
    }

    void frame_starting(gl::Surface& surface) override {
        auto& window = static_cast<gl::GlxSurface&>(surface);
        m_windows.busy(window.window_id());
        window.show();
    }

    void frame_finished(gl::Surface& surface) override {
        m_windows.idle(static_cast<gl::GlxSurface&>(surface).window_id());
    }

  private:
    struct Place {
        unsigned long window;
        int place;
    };
    IdleWindows m_windows;
    std::mutex m_places_mutex;
    std::vector<Place> m_places;
};

}  // namespace

EngineBackend& engine_backend() {
    static HardwareBackend backend;
    return backend;
}

}  // namespace kdr::render
