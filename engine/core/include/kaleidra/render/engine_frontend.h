#pragma once
// What both engine libraries do behind their five exports, apart from their
// drawing surfaces: contexts, prepare (the effect with its fallback, the
// drawing setup, scene textures) and render (mapped videos, drawing, the copy
// into the caller's output). Each library supplies an EngineBackend and
// forwards its exports here.
//
// Threads: one context is used by one thread at a time; several contexts of
// one backend may be used on several threads at once. Every call makes the
// context's surface current on the calling thread and releases it before
// returning, so the next call may come from another thread.
//
// A caller's device context in the frame record is not drawn into on this
// platform: the engines always draw on their own surface and convert the
// picture into the frame's output image.

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "kaleidra/contract/engine_api.h"
#include "kaleidra/gl/surface.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/render/drawing_core.h"
#include "kaleidra/render/mapped_videos.h"
#include "kaleidra/scene/scene.h"

namespace kdr {

struct RenderContext {
    std::unique_ptr<gl::Surface> surface;
    std::unique_ptr<render::DrawingCore> core;
    Scene scene;              // the effect as loaded and prepared
    std::uint32_t width = 0;  // drawing size (doubled for antialiasing)
    std::uint32_t height = 0;
    std::vector<std::uint8_t> scratch;  // a video scaled to the drawing size
    render::MappedFiles mapped_files;   // the user's mapped video files
};

namespace render {

// The state of one engine library: its drawing surfaces, and what every
// context of the library shares. One per library, made by the first entry
// point that is called (engine_exports.cpp), never by loading the library.
class EngineBackend {
  public:
    virtual ~EngineBackend() = default;
    // The library's name in its messages.
    virtual const char* library_name() const { return "Kaleidra engine"; }
    // A new drawing surface of the size; the window engine shows it.
    virtual Result<std::unique_ptr<gl::Surface>> create_surface(std::uint32_t width,
                                                                std::uint32_t height) = 0;
    // Called before the surface is destroyed.
    virtual void surface_released(gl::Surface& /*surface*/) {}
    // Around every render (the window engine shows its window and hides it
    // again after it stays idle).
    virtual void frame_starting(gl::Surface& /*surface*/) {}
    virtual void frame_finished(gl::Surface& /*surface*/) {}
    // True when the first object's video is laid under the picture instead
    // of being drawn (the memory engine, whose bitmap takes it directly).
    virtual bool lays_first_video_under() const { return false; }

    // Writes "<library name>: <message>" to standard error the first time
    // the message comes up: what the engine could not do and went on
    // without (a texture it could not upload). Hosts call an engine for
    // every frame, so a message repeated for every frame would drown every
    // other. Returns true when it was written now. Thread-safe.
    bool report_once(const std::string& message);

    // Held while a prepare reads or writes the fallback effect name in the
    // settings record it is given, which two contexts may share.
    std::mutex& settings_name_mutex() { return m_settings_name_mutex; }

  private:
    std::mutex m_settings_name_mutex;
    std::mutex m_reported_mutex;
    std::set<std::string> m_reported;
};

// The drawing size of a frame: its size, doubled in both directions when
// antialiasing (settings global 4 > 0) is on and the frame is not a layout
// preview. False when the frame's size is not positive.
bool drawing_size(const EffectSettings& settings, const FrameRecord& frame, std::uint32_t& width,
                  std::uint32_t& height);

// The effect a prepare falls back to when the settings name none or the one
// named does not load.
inline constexpr const char* fallback_effect = "Ballsplt";

RenderContext* create_context(EngineBackend& backend, const EffectSettings* settings,
                              const FrameRecord* frame);
void free_context(EngineBackend& backend, RenderContext* context);
RenderContext* prepare_context(EngineBackend& backend, RenderContext* context,
                               EffectSettings* settings, FrameRecord* frame);
int render_frame(EngineBackend& backend, RenderContext* context, const EffectSettings* settings,
                 FrameRecord* frame);

}  // namespace render
}  // namespace kdr
