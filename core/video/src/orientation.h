#pragma once
// Video shot on phones is often stored sideways with a display matrix that
// tells players to turn it. Frames are turned upright in quarter turns;
// other angles and mirrored pictures are refused by name.

#include <cstdint>
#include <string>
#include <vector>

#include "ffmpeg_support.h"
#include "kaleidra/platform/result.h"

namespace kdr::video::detail {

// Clockwise quarter turns (0 to 3) that show the stream upright, from its
// display matrix; 0 when it has none.
Result<int> quarter_turns_of(const AVStream& stream);

// Copies a top-down packed 24-bit picture of `stored_width` x `stored_height`
// turned clockwise by `turns` quarter turns into a bottom-up bitmap with rows
// of `stride` bytes.
void turn_into_bitmap(const std::uint8_t* stored, std::uint32_t stored_width,
                      std::uint32_t stored_height, int turns, std::uint8_t* bitmap,
                      std::uint32_t stride);

}  // namespace kdr::video::detail
