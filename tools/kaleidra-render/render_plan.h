#pragma once
// How a command-line render is laid out in time before anything is drawn:
// the output's frame rate, what each output frame is made of (the edit
// plan), and the sound beside the frames.

#include <memory>
#include <vector>

#include "command_line.h"
#include "edit_plan.h"
#include "frame_source.h"
#include "join_audio.h"
#include "kaleidra/platform/result.h"

namespace kdr::render_tool {

// --rate, else source A's rate, else 30 frames a second.
video::FrameRate output_rate(const RenderOptions& options, const FrameSource& a);

// The plan for the sources (A, B, then the extras) as the options ask.
Result<EditPlan> plan_frames(const RenderOptions& options,
                             const std::vector<const FrameSource*>& sources, video::FrameRate rate);

// The sound of the render, null when it has none: for pictures, with
// --no-audio, for a plain render unless --audio asks, and when neither
// source has any (an error when --audio asked for it).
Result<std::unique_ptr<JoinAudio>> plan_sound(const RenderOptions& options, const FrameSource& a,
                                              const FrameSource& b, const EditPlan& plan);

}  // namespace kdr::render_tool
