#pragma once
// Frame rates as exact fractions: 30000/1001 frames a second is not 29.97,
// and a movie written at 29.97 drifts from one written at 30000/1001 by a
// frame every 9 minutes. Text rates that people type ("29.97", "23.976",
// "59.94") are the broadcast fractions they stand for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kdr::video {

struct FrameRate {
    std::int32_t num = 0;  // frames ...
    std::int32_t den = 1;  // ... in this many seconds

    bool valid() const { return num > 0 && den > 0; }
    double value() const { return valid() ? double(num) / den : 0.0; }
    // "30000/1001", or "25" for whole rates.
    std::string text() const;
    bool operator==(const FrameRate&) const = default;
};

// Rates above this are refused by readers of text and by the writer.
inline constexpr double max_frame_rate = 1000;

// "25", "29.97", "12.5" or "30000/1001" (above 0, at most max_frame_rate).
// A decimal within 0.01 of N x 1000/1001 for a whole N is that fraction;
// other decimals become the nearest fraction with a denominator up to 1001.
std::optional<FrameRate> parse_frame_rate(std::string_view text);

// The fraction nearest to `value` as parse_frame_rate reads decimals.
std::optional<FrameRate> frame_rate_from(double value);

// The source frame that output frame `index` shows when a source running at
// `source` frames a second is played at `output`: the last source frame whose
// time, rounded to the nearest output frame, is not after `index` (frames
// are repeated or dropped as needed, the first frames of both lining up).
std::uint64_t source_frame_at(std::uint64_t index, FrameRate source, FrameRate output);

// How many output frames `count` source frames last at the output rate,
// rounded to the nearest frame.
std::uint64_t output_frames_for(std::uint64_t count, FrameRate source, FrameRate output);

}  // namespace kdr::video
