#pragma once
// What the settings tell a still-image filter: which image slot receives
// the host's picture (global 14, the filter source: 0 for video 1), the
// effect's length in frames (global 12, the filter frame count, as the
// frame's total) and the completion (global 13, the filter percent: part =
// trunc(percent x 0.01 x total)).
//
// The values come from stored settings, so they are checked: a source
// that is not a whole number from 0 to 19 is refused (it would pick an
// image slot that does not exist); a frame count that is not a number or
// is negative counts as 0, a larger one than max_filter_frames as that;
// the part stays within 0 to the total. The still-image filters (Photoshop,
// GIMP) share this.
//
// No state; any thread may call these.

#include <cstdint>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::hostkit {

inline constexpr std::uint32_t max_filter_frames = 1000000;

struct FilterValues {
    int source_slot = 0;
    std::uint32_t part = 0;
    std::uint32_t total = 0;
};

// Fails, saying why, for a filter source outside the 20 videos.
Result<FilterValues> filter_values(const EffectSettings& settings);

}  // namespace kdr::hostkit
