#pragma once
// Settings values as the whole numbers that the engines and the scene
// evaluation count, index and choose with. A stored settings file or an
// envelope key may hold any float: not a number, an infinity, 1e30, 2^30.
// Each such value is truncated (towards zero, as the options read it) and
// held to the range that has a meaning, so that no loop runs for ever, no
// index leaves its table, no division meets zero and no conversion of a
// float to an integer overflows. Every reader of these values goes through
// the functions below.

namespace kdr {

// `value` truncated towards zero and held to low..high; not a number gives
// `low`.
int whole_value(float value, int low, int high);

// Motion-blur sub-frames (global 8): 0..10.
inline constexpr int max_blur_count = 10;
int blur_count_value(float value);

// Render style (global 1): 0 smooth, 1 flat, 2 wire; -1 for anything below
// (and not a number) and 3 for anything above, which are drawn filled and
// flat, as styles other than 0 and 2 always were.
int render_style_value(float value);

// The 0-based video the filter shows (global 14), or -1 when the value
// names none (negative or not a number).
inline constexpr int max_filter_source = 1 << 20;
int filter_source_value(float value);

// Trail copies of an object (per-video value 3): 0..20.
inline constexpr int max_trail_count = 20;
int trail_count_value(float value);

// Trail spacing (per-video value 7): 0..2^20. Spacings beyond move every
// copy before the start, where they all sit at the first key anyway.
inline constexpr int max_trail_spacing = 1 << 20;
int trail_spacing_value(float value);

}  // namespace kdr
