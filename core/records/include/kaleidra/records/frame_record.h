#pragma once
// Operations on FrameRecord, the description of one render call, and the
// completion of a frame. The frame record's image slots point at pixels that
// belong to the caller unless a slot's owns flag is set.

#include "kaleidra/records/layout.h"

namespace kdr {

// Empty image slots and output; every other field zero.
void frame_construct(FrameRecord& frame);

// Width, height, slot count; every slot and the output by shallow copy (the
// target never owns copied pixels); position through background; then quiet,
// engine scratch, flags, highlighted id and device context.
void frame_copy(FrameRecord& target, const FrameRecord& source);

// Frees the pixels of every slot (and the output) that owns them.
void frame_release_images(FrameRecord& frame);

// Aspect = width / height (0 when the height is 0).
void frame_set_aspect(FrameRecord& frame);

// The quiet rule, one for every host and engine. A frame is quiet (a small
// preview: no render-log lines, no mapped video files) when the low 16 bits
// of its quiet field are not all zero; hosts make a frame quiet when its
// output is narrower than 160 and lower than 120 pixels (a 135 x 240
// portrait or a 1920 x 100 strip is a real frame).
inline constexpr std::uint32_t quiet_width_limit = 160;
inline constexpr std::uint32_t quiet_height_limit = 120;

bool frame_is_quiet(const FrameRecord& frame);
bool is_quiet_size(std::uint32_t width, std::uint32_t height);

// The completion 0..1 of the frame from its position and total, the fly
// direction (global 0) and the transition period (global 15, percent): flying
// off it runs 0 to 1, flying on 1 to 0; with a period the effect plays over
// the last (flying off) or first (flying on) part of the clip and holds its
// end state elsewhere. Anything that is not >= 0, NaN included, becomes 0.
float frame_completion(const FrameRecord& frame, const EffectSettings& settings);

// The same from plain numbers; `position` may be fractional (blur sub-frames).
float completion_at(double position, double total, bool fly_on, float transition_percent);

}  // namespace kdr
