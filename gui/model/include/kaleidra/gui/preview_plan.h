#pragma once
// What a preview render draws: the preview's size and frame count from the
// preferences, and which frames of which length a render asks the engine
// for. Plain functions of their arguments.

#include <cstdint>
#include <vector>

namespace kdr::gui {

inline constexpr int max_preview_frames = 200;

struct PreviewConfig {
    int size = 32;                  // square: 32, 64 or 128 pixels
    const char* prefix = "PREVS_";  // the sample textures of that size
    int frame_count = 1;            // 1, or 6 to max_preview_frames
    bool filter_mode = false;
};

// "Prev_Quality" 1 gives 64 pixels, 2 gives 128, anything else 32.
// "Prev_Frames" below 6, and filter mode, give one still frame; counts above
// the Settings page's range are held at its end so that a forged value
// cannot ask for millions of buffers.
PreviewConfig preview_config(std::uint32_t quality, std::uint32_t frames, bool filter_mode);

// The values of the record and the selected effect that choose frames.
struct PreviewFrameInputs {
    bool filter_mode = false;
    int frame_count = 1;
    bool has_scene = false;
    float best_frame = 0;      // the effect's best frame, a percentage
    float fly_direction = 0;   // global 0: exactly 1.0 is flying on
    float filter_frames = 0;   // global 12
    float filter_percent = 0;  // global 13
};

struct PreviewFrame {
    int buffer = 0;              // the frame buffer that receives the frame
    std::uint32_t position = 0;  // frame number
    std::uint32_t total = 0;     // total frames
    int progress = -1;           // percent to show after the frame, -1 none
    friend bool operator==(const PreviewFrame&, const PreviewFrame&) = default;
};

// Filter mode: one frame, (int)(percent x 0.01 x total) of (int)filter
// frames. One still frame: the best frame of 100 (mirrored to 100 - best
// when flying on). N frames: 0 .. N - 1 of N - 1, with progress
// i x 100 / (N - 1). Values that do not fit (negative, not a number, past
// the total) are held inside 0 .. total.
std::vector<PreviewFrame> plan_preview_frames(const PreviewFrameInputs& inputs);

}  // namespace kdr::gui
