#pragma once
// How far a render got, shared between the render thread, which writes it,
// and whoever shows it (the progress dialog on a 100 ms timer, the command
// line): plain atomic values, so that no side ever waits for the other and
// no widget is touched off its thread. Every value may be read at any time;
// values read one after another may come from neighbouring frames.

#include <atomic>
#include <cstdint>
#include <string>

#include "kaleidra/editor/timeline_item.h"

namespace kdr::editor {

struct RenderProgress {
    std::atomic<bool> running{false};
    std::atomic<bool> stop{false};
    // Frames of the whole project, and the range this render makes.
    std::atomic<std::int32_t> project_length{0};
    std::atomic<std::int32_t> first_frame{0};
    std::atomic<std::int32_t> last_frame{0};
    // The next frame to make: the frame counter (frames 0 .. counter - 1
    // are done, or skipped when they lie before the range).
    std::atomic<std::int32_t> frame_counter{0};
    std::atomic<float> total_progress{0};   // 0 .. 1 over the range
    std::atomic<float> effect_progress{0};  // 0 .. 1 within the frame being drawn
    // The effect being drawn (none between effects), and where in it.
    std::atomic<const TimelineItem*> effect{nullptr};
    std::atomic<std::int32_t> frame_in_effect{0};
    std::atomic<std::int32_t> effect_last_frame{0};
};

// "Total Project (Frame %d of %d)": the frame being made, counted from 1,
// and the project's length.
std::string total_progress_text(const RenderProgress& progress);

// "Current Frame of Effect %s (Frame %d of %d)" inside an effect longer than
// one frame, else empty. Effects without a file show their effect name.
std::string effect_progress_text(const RenderProgress& progress);

}  // namespace kdr::editor
