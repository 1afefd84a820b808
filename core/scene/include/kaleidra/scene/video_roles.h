#pragma once
// Which video a scene's surfaces and objects show. Effects are made flying
// off: video 1 is the outgoing picture that leaves, video 2 the incoming one
// that stays. A two-video transition (effect type 1) played flying on runs
// the same motion backwards, so its two videos trade places for the motion
// to bring the incoming picture on: what the effect gives video 1 shows
// video 2, and the other way round. Videos 3 and up never trade.

#include <cstdint>

namespace kdr {

// Effect type 1 (a two-video transition) with a non-zero fly direction
// (global value 0: flying on).
bool videos_trade_places(std::uint32_t effect_type, float fly_direction);

// The video (1-based; 0 = none) that a surface or object numbered
// `video_number` shows.
std::uint32_t video_shown(std::uint32_t video_number, bool trade_places);

}  // namespace kdr
