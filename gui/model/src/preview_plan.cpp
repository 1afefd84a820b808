#include "kaleidra/gui/preview_plan.h"

#include <cmath>

namespace kdr::gui {
namespace {

// Truncation toward zero, as a C cast does, for values that fit; anything
// below 0 or not a number gives 0, anything above `limit` gives `limit`.
std::uint32_t whole(double value, std::uint32_t limit) {
    if (!(value > 0)) {
        return 0;
    }
    if (value >= static_cast<double>(limit)) {
        return limit;
    }
    return static_cast<std::uint32_t>(value);
}

// The largest total a filter render may name; the engines count in 32 bits.
constexpr std::uint32_t max_filter_total = 1u << 24;

}  // namespace

PreviewConfig preview_config(std::uint32_t quality, std::uint32_t frames, bool filter_mode) {
    PreviewConfig config;
    config.filter_mode = filter_mode;
    if (quality == 1) {
        config.size = 64;
        config.prefix = "PREVM_";
    } else if (quality == 2) {
        config.size = 128;
        config.prefix = "PREVL_";
    }
    int count = frames > max_preview_frames ? max_preview_frames : static_cast<int>(frames);
    if (filter_mode || count < 6) {
        count = 1;
    }
    config.frame_count = count;
    return config;
}

std::vector<PreviewFrame> plan_preview_frames(const PreviewFrameInputs& in) {
    std::vector<PreviewFrame> frames;
    if (in.filter_mode) {
        const std::uint32_t total = whole(in.filter_frames, max_filter_total);
        const std::uint32_t position = whole(double(in.filter_percent) * 0.01 * total, total);
        frames.push_back({0, position, total, -1});
    } else if (in.frame_count <= 1) {
        std::uint32_t position = in.has_scene ? whole(in.best_frame, 100) : 0;
        if (in.fly_direction == 1.0f) {
            position = 100 - position;
        }
        frames.push_back({0, position, 100, -1});
    } else {
        const int last = in.frame_count - 1;
        for (int i = 0; i < in.frame_count; ++i) {
            frames.push_back({i, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(last),
                              i * 100 / last});
        }
    }
    return frames;
}

}  // namespace kdr::gui
