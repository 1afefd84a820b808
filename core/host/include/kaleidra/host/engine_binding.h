#pragma once
// The engine binding: one render engine library loaded at run time and its
// five exports, each looked up by its exact name. Any export may be missing;
// every call checks its own address and is skipped when it is null, so a
// missing engine or entry point renders nothing and crashes nothing.
//
// The binding does not know the contexts the engine handed out: whoever holds
// them (the render driver) frees them through free_context() before it calls
// release(). One binding per library that contains the host core; it is used
// by the host thread and, during a frame, by the render workers (the calls are
// const and touch no binding state).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "kaleidra/contract/engine_api.h"
#include "kaleidra/platform/dynamic_library.h"
#include "kaleidra/platform/result.h"

namespace kdr::host {

// Which registry value names the engine: "Engine" for final rendering,
// "Prev_Engine" for previews.
enum class EngineRole { final_render, preview };

const char* engine_value_name(EngineRole role);

// The engine name stored for `role` (at most 255 characters), or nothing.
std::optional<std::string> read_engine_name(EngineRole role);

// Install folder / "LIBS" / name "." library suffix, or nothing when the
// install folder is unknown or the path would not fit in 256 bytes.
std::optional<std::filesystem::path> engine_library_path(std::string_view name);

class EngineBinding {
  public:
    EngineBinding() = default;
    ~EngineBinding() = default;
    EngineBinding(const EngineBinding&) = delete;
    EngineBinding& operator=(const EngineBinding&) = delete;

    // Reads the engine name for `role` and loads it (load_named).
    [[nodiscard]] Status load(EngineRole role);
    // Loads "LIBS" / name.so below the install folder.
    [[nodiscard]] Status load_named(std::string_view name);
    // Loads a library file and binds the five exports in the order
    // Rnd_CreateContext, Rnd_FreeContext, Rnd_Prepare, Rnd_StaticVideo,
    // Rnd_Render. On success a library loaded before is released (its
    // contexts must have been freed); on failure the binding keeps what it
    // had and the error says which file it tried and why it failed.
    [[nodiscard]] Status load_file(const std::filesystem::path& file);

    // Releases the library and forgets the five addresses.
    void release();

    bool loaded() const { return m_library.loaded(); }
    // The file the last load tried (empty when no path could be built).
    const std::filesystem::path& tried_path() const { return m_tried_path; }

    bool has_create_context() const { return m_create_context != nullptr; }
    bool has_free_context() const { return m_free_context != nullptr; }
    bool has_prepare() const { return m_prepare != nullptr; }
    bool has_static_video() const { return m_static_video != nullptr; }
    bool has_render() const { return m_render != nullptr; }

    // The checked calls. create_context gives null and render 0 when the
    // export is missing; free_context ignores null contexts.
    RenderContext* create_context(EffectSettings* settings, FrameRecord* frame) const;
    void free_context(RenderContext* context) const;
    // Replaces `context` with what Rnd_Prepare returns; fails, leaving the
    // context as it was, when Rnd_Prepare is missing.
    [[nodiscard]] Status prepare(RenderContext*& context, EffectSettings* settings,
                                 FrameRecord* frame) const;
    int render(RenderContext* context, EffectSettings* settings, FrameRecord* frame) const;
    int static_video() const;

  private:
    void forget_exports();

    platform::DynamicLibrary m_library;
    std::filesystem::path m_tried_path;
    RndCreateContextFn m_create_context = nullptr;
    RndFreeContextFn m_free_context = nullptr;
    RndPrepareFn m_prepare = nullptr;
    RndStaticVideoFn m_static_video = nullptr;
    RndRenderFn m_render = nullptr;
};

}  // namespace kdr::host
