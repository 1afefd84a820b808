#pragma once
// Make Preview and Make Final: renders a project into a movie, frame by
// frame, on a thread of its own. Between effects each output frame is a copy
// of one item's frame (resized by block averaging); inside an effect the
// items under it become the engine's source videos and the engine draws the
// frame, whole, as two halves on two threads ("Rnd_Multi"), or as two
// half-height fields. Engine contexts are made by the first preparation of
// each effect and reused by the next effect until the render finishes.
//
// A preview goes to "Work/Preview.avi" at the preview size with the quiet
// flag (the render log stays silent) through the engine "Prev_Engine"; a
// final goes to a chosen file at the final size through "Engine". A range of
// frames renders only those frames, numbered as in the whole project, after
// replaying the loop's state from frame 0, so each equals the same frame of a
// whole render.
//
// Calling order, all on one thread (the window's): start(), then poll
// progress() and running() (every 100 ms in the window) while stop() may be
// called from anywhere, then finish() once running() is false. The project
// must not change from start() to finish(). One render runs at a time in a
// process: the engine's progress and abort callbacks carry no context, so
// they reach the one running render.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/editor/project.h"
#include "kaleidra/editor/render_progress.h"
#include "kaleidra/platform/result.h"

namespace kdr::editor {

enum class RenderKind { preview, final_movie };

// Project frames first .. last, both included.
struct FrameRange {
    std::int32_t first = 0;
    std::int32_t last = 0;
};

struct RenderRequest {
    RenderKind kind = RenderKind::preview;
    // The movie; a preview without one goes to Work/Preview.avi.
    std::filesystem::path output;
    std::optional<FrameRange> frames;
    // Empty: the registry's engine for the kind; a name ("Rnd_Generic")
    // found in LIBS; or, when it holds a '/', a library file.
    std::string engine;
    int threads = 0;  // 0: "Rnd_Multi" decides; 1 or 2 threads
};

struct RenderOutcome {
    std::filesystem::path movie;
    std::uint32_t frames_written = 0;
    bool stopped = false;
};

class MovieRenderer {
  public:
    MovieRenderer();
    // Stops and finishes a render still running.
    ~MovieRenderer();
    MovieRenderer(const MovieRenderer&) = delete;
    MovieRenderer& operator=(const MovieRenderer&) = delete;

    // Checks the project and the request, loads the engine, creates the
    // movie, opens every item afresh and starts the render thread. Problems a
    // user can act on are shown through the message hook ("Cannot make
    // preview", "Render Error", "AVI Error.") and returned.
    Status start(Project& project, const RenderRequest& request);

    // Asks the render to end before it writes the next frame; any thread.
    void stop();
    bool running() const { return m_progress.running.load(); }
    const RenderProgress& progress() const { return m_progress; }

    // Waits up to `timeout` for the render to end; true when it has ended
    // (or none runs). For callers without a timer of their own.
    bool wait_for_end(std::chrono::milliseconds timeout);

    // Messages for people that the render thread left (a source it could
    // not read); any thread.
    std::vector<std::string> take_notices();

    // Waits for the thread, frees the engine's contexts and the engine. A
    // movie that could not be written completely fails with "Render Error"
    // shown; a stopped render is a success holding the frames written.
    Result<RenderOutcome> finish();

  private:
    struct State;
    std::unique_ptr<State> m_state;
    RenderProgress m_progress;
};

}  // namespace kdr::editor
