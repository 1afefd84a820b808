// Rnd_Generic: draws off-screen into a memory bitmap, and lays the first
// object's video straight under the picture instead of drawing it.

#include "engine_exports.h"
#include "kaleidra/gl/osmesa_surface.h"

namespace kdr::render {

namespace {

class GenericBackend final : public EngineBackend {
  public:
    const char* library_name() const override { return "Rnd_Generic"; }
    Result<std::unique_ptr<gl::Surface>> create_surface(std::uint32_t width,
                                                        std::uint32_t height) override {
        // Red and blue swapped, so that hosts' blue-first videos upload as
        // plain copies.
        auto surface = gl::OsMesaSurface::create(width, height, true);
        if (!surface.ok()) {
            return Error{surface.error()};
        }
        return std::unique_ptr<gl::Surface>(std::move(surface.value()));
    }
    bool lays_first_video_under() const override { return true; }
};

}  // namespace

EngineBackend& engine_backend() {
    static GenericBackend backend;
    return backend;
}

}  // namespace kdr::render
