#pragma once
// What each output frame of a render is made of. A plain render is the
// transition alone: N frames, frame i at position i of N - 1, each source
// from its in-point on. A join is the whole edit, as ffmpeg's xfade makes
// it: source A from its in-point up to the transition, the transition over
// A's next N frames and B's first N, then the rest of B. Sources running at
// another rate than the output are shown at the output's (frames repeated
// or dropped as ffmpeg's fps filter does); sources that run out hold their
// last frame.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/video/frame_rate.h"

namespace kdr::render_tool {

// A source as the plan sees it.
struct SourceTiming {
    std::uint32_t length = 0;  // frames; 0 for a still picture, which never runs out
    video::FrameRate rate;     // invalid for pictures: they follow the output frame by frame
    std::uint32_t start = 0;   // the in-point, in the source's own frames
};

struct PlanRequest {
    SourceTiming a;
    SourceTiming b;
    std::vector<SourceTiming> extras;  // video 3, 4, ...: from the transition's start
    std::uint32_t transition_frames = 30;
    bool join = false;
    std::optional<double> at_seconds;  // the transition's start in the joined movie
    video::FrameRate output_rate{30, 1};
};

enum class FramePart { source_a, transition, source_b };

struct PlannedFrame {
    FramePart part = FramePart::transition;
    std::uint32_t position = 0;  // within the transition: position of total
    std::uint32_t total = 1;
    // The frame each source shows: A, B, then the extras.
    std::vector<std::uint32_t> source_frames;
};

class EditPlan {
  public:
    // Fails with a message when in-points lie past a source's end or a join
    // does not fit: the transition longer than what A or B has left, or
    // --at placing it outside A.
    static Result<EditPlan> make(const PlanRequest& request);

    std::uint32_t frame_count() const { return m_frame_count; }
    // The first frame of the transition, and its length.
    std::uint32_t transition_start() const { return m_transition_start; }
    std::uint32_t transition_frames() const { return m_request.transition_frames; }
    video::FrameRate output_rate() const { return m_request.output_rate; }
    PlannedFrame at(std::uint32_t index) const;

  private:
    std::uint32_t source_frame(const SourceTiming& source, std::uint32_t elapsed) const;

    PlanRequest m_request;
    std::uint32_t m_frame_count = 0;
    std::uint32_t m_transition_start = 0;
};

}  // namespace kdr::render_tool
