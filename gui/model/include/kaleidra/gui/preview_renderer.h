#pragma once
// The preview renderer of one selection dialog: a thread that renders the
// selected effect with the dialog's current settings into small frame
// buffers through the preview engine ("Prev_Engine" in "LIBS"), with the
// sample textures PREVx_01..20 standing in for the videos.
//
// Threads: every public function is for the dialog's (GUI) thread. The
// render thread never sees the dialog: it takes a copy of the record and of
// the few scene values it needs when a render starts (request_render hands
// them over under a lock, so later edits reach the preview only through the
// next render), and publishes its state (rendering, frames rendered,
// progress) as atomics that the dialog polls on its timer. A render draws
// into the thread's own output buffer and copies each finished frame into
// the shared frame buffers under a lock, so the display never reads a frame
// while it is being written. The engine's abort callback answers from the
// stop and quit flags, so a stop takes effect inside a frame.
//
// Destruction asks the thread to quit, stops the render in progress and
// waits for the thread without a time limit.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "kaleidra/gui/preview_plan.h"
#include "kaleidra/records/layout.h"

namespace kdr {
struct RenderContext;
}
namespace kdr::host {
class EngineBinding;
}

namespace kdr::gui {

struct ThreadRecords;

// The scene values a render needs; copied when the render is asked for,
// because the dialog may load another effect while the thread renders.
struct PreviewSceneValues {
    bool loaded = false;
    int video_count = 0;
    float best_frame = 0;
};

// What the Render button shows.
enum class RenderButtonState { render, stop, wait };
const char* render_button_text(RenderButtonState state);

inline constexpr std::uint8_t preview_grey = 192;

class PreviewRenderer {
  public:
    // Loads the twenty sample textures of the configured size (a missing one
    // leaves its slot empty), fills the buffers with grey and starts the
    // thread, which loads the engine.
    explicit PreviewRenderer(const PreviewConfig& config);
    ~PreviewRenderer();
    PreviewRenderer(const PreviewRenderer&) = delete;
    PreviewRenderer& operator=(const PreviewRenderer&) = delete;

    const PreviewConfig& config() const { return m_config; }
    int size() const { return m_config.size; }
    int frame_count() const { return m_config.frame_count; }
    // How many sample textures were found (0 to 20).
    int textures_loaded() const { return m_textures_loaded; }

    // Copies the record and scene values and asks for a render.
    void request_render(const EffectSettings& record, const PreviewSceneValues& scene);
    void request_stop();

    bool rendering() const { return m_rendering.load(); }
    bool render_pending() const { return m_render_requested.load(); }
    bool stop_pending() const { return m_stop_requested.load(); }
    int frames_rendered() const { return m_frames_rendered.load(); }
    // The progress bar's value, 0 to 100.
    int progress() const { return m_progress.load(); }
    // The thread has tried the engine: loaded or not.
    bool engine_tried() const { return m_engine_tried.load(); }
    bool engine_loaded() const { return m_engine_loaded.load(); }
    // Renders that ran to their end since creation.
    int renders_completed() const { return m_renders_completed.load(); }
    RenderButtonState button_state() const;

    // The display: advances to the next frame (wrapping at the frame count;
    // during a render, the last frame finished) and returns its index.
    int next_display_frame();
    int display_frame() const { return m_display_frame; }
    // Copies frame buffer `index` (size x size x 3 bytes, blue-green-red,
    // bottom row first). False for an index out of range.
    bool copy_frame(int index, std::vector<std::uint8_t>& pixels) const;

  private:
    struct Job;
    void run();
    void render_job(const Job& job, ThreadRecords& records, RenderContext*& context,
                    const host::EngineBinding& engine);
    void fill_grey();
    void publish_frame(int buffer, const std::uint8_t* pixels);

    PreviewConfig m_config;
    std::size_t m_frame_bytes = 0;
    int m_textures_loaded = 0;
    std::vector<ImageRecord> m_textures;  // slots 0..19, owned

    mutable std::mutex m_frames_mutex;
    std::vector<std::vector<std::uint8_t>> m_frames;

    std::mutex m_job_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<Job> m_job;  // the latest request, taken by the thread

    std::atomic<bool> m_render_requested{false};
    std::atomic<bool> m_stop_requested{false};
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_rendering{false};
    std::atomic<int> m_frames_rendered{0};
    std::atomic<int> m_progress{0};
    std::atomic<bool> m_engine_tried{false};
    std::atomic<bool> m_engine_loaded{false};
    std::atomic<int> m_renders_completed{0};

    int m_display_frame = -1;  // dialog thread only

    std::thread m_thread;
};

}  // namespace kdr::gui
