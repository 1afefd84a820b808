#include "kaleidra/editor/render_progress.h"

#include <algorithm>

namespace kdr::editor {

std::string total_progress_text(const RenderProgress& progress) {
    const std::int32_t length = progress.project_length.load();
    const std::int32_t frame = std::min(progress.frame_counter.load() + 1, std::max(length, 1));
    return "Total Project (Frame " + std::to_string(frame) + " of " + std::to_string(length) + ")";
}

std::string effect_progress_text(const RenderProgress& progress) {
    const TimelineItem* effect = progress.effect.load();
    const std::int32_t last = progress.effect_last_frame.load();
    if (effect == nullptr || last == 0) {
        return {};
    }
    return "Current Frame of Effect " + display_name(*effect) + " (Frame " +
           std::to_string(progress.frame_in_effect.load() + 1) + " of " + std::to_string(last + 1) +
           ")";
}

}  // namespace kdr::editor
