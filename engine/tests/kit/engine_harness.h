#pragma once
// Loads an engine library as the host core does (by file, its five exports
// bound by name) and sets up the records of one render: the settings, the
// frame with two test videos, and an output picture.

#include <memory>
#include <string>

#include "kaleidra/contract/engine_api.h"
#include "kaleidra/platform/dynamic_library.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/xvfb_environment.h"
#include "scene_kit.h"

namespace kdr::test {

enum class EngineKind { generic, hardware };

const char* engine_name(EngineKind kind);
std::filesystem::path engine_file(EngineKind kind);

class Engine {
  public:
    // Loads the library; on failure error() says why and loaded() is false.
    explicit Engine(EngineKind kind);
    bool loaded() const { return m_library.loaded() && m_render != nullptr; }
    const std::string& error() const { return m_error; }
    EngineKind kind() const { return m_kind; }

    RndCreateContextFn create = nullptr;
    RndFreeContextFn free = nullptr;
    RndPrepareFn prepare = nullptr;
    RndRenderFn render_raw = nullptr;
    RndStaticVideoFn static_video = nullptr;

    int render(RenderContext* context, EffectSettings& settings, FrameRecord& frame) const {
        return m_render(context, &settings, &frame);
    }

  private:
    EngineKind m_kind;
    platform::DynamicLibrary m_library;
    RndRenderFn m_render = nullptr;
    std::string m_error;
};

// The records of a render: settings for `effect`, a frame of width x height
// with videos A and B in slots 0 and 1 (32-bit, bottom row first, as hosts
// hand them over), and a 32-bit output.
struct RenderJob {
    RenderJob(const std::string& effect, std::uint32_t width, std::uint32_t height);
    ~RenderJob();
    RenderJob(const RenderJob&) = delete;
    RenderJob& operator=(const RenderJob&) = delete;

    // Positions the frame at `position` of `total`.
    void at(std::uint32_t position, std::uint32_t total);
    Picture output_picture() const;

    EffectSettings settings{};
    FrameRecord frame{};
    TestPicture video_a;
    TestPicture video_b;
    TestPicture output;
};

// Prepares and renders one frame, freeing the context; the render's result.
int render_once(const Engine& engine, RenderJob& job);

// A picture record (any format) as a test picture.
Picture picture_of(const ImageRecord& image);

// The X server of a test program that draws through GLX, with the
// rendering driver kept loaded (x_display_keeper.h).
class EngineTestEnvironment : public XvfbEnvironment {
  public:
    void SetUp() override;
};

// The golden references of the engine tests.
std::filesystem::path golden_folder();

}  // namespace kdr::test
