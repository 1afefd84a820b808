#include "edit_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kdr::render_tool {
namespace {

// Joined movies are refused beyond this many frames (over two days at 30
// frames a second), so frame numbers stay far from overflow.
constexpr std::uint64_t max_frames = 1u << 23;

std::string seconds_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", seconds);
    return text;
}

Status check_start(const SourceTiming& source, const char* role, const char* option) {
    if (source.length != 0 && source.start >= source.length) {
        return Error{std::string(option) + " " + std::to_string(source.start) +
                     " is past the end of " + role + " (" + std::to_string(source.length) +
                     " frames)"};
    }
    if (source.length == 0 && source.start != 0) {
        return Error{std::string(option) + " needs a movie or sequence; " + role +
                     " is a still picture"};
    }
    return Status::success();
}

}  // namespace

std::uint32_t EditPlan::source_frame(const SourceTiming& source, std::uint32_t elapsed) const {
    if (source.length == 0) {
        return 0;
    }
    const std::uint64_t frame =
        source.rate.valid() ? video::source_frame_at(elapsed, source.rate, m_request.output_rate)
                            : elapsed;
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(source.start + frame, source.length - 1));
}

Result<EditPlan> EditPlan::make(const PlanRequest& request) {
    if (request.transition_frames == 0) {
        return Error{"the transition needs at least one frame"};
    }
    if (!request.output_rate.valid()) {
        return Error{"the output has no frame rate"};
    }
    if (Status status = check_start(request.a, "source A", "--a-start"); !status) {
        return Error{status.error()};
    }
    if (Status status = check_start(request.b, "source B", "--b-start"); !status) {
        return Error{status.error()};
    }
    EditPlan plan;
    plan.m_request = request;
    if (!request.join) {
        if (request.at_seconds) {
            return Error{"--at places the transition in a joined movie; add --join"};
        }
        plan.m_frame_count = request.transition_frames;
        return plan;
    }

    // How many output frames each source has from its in-point on.
    auto frames_left = [&](const SourceTiming& source) -> std::uint64_t {
        const std::uint64_t left = source.length - source.start;
        return source.rate.valid()
                   ? video::output_frames_for(left, source.rate, request.output_rate)
                   : left;
    };
    if (request.a.length == 0 || request.b.length == 0) {
        return Error{std::string("--join joins two movies or sequences; source ") +
                     (request.a.length == 0 ? "A" : "B") + " is a still picture"};
    }
    const std::uint64_t a_frames = frames_left(request.a);
    const std::uint64_t b_frames = frames_left(request.b);
    const std::uint32_t n = request.transition_frames;
    if (b_frames < n) {
        return Error{"source B has " + std::to_string(b_frames) +
                     " frames from its in-point on, fewer than the " + std::to_string(n) +
                     " of the transition (--frames)"};
    }
    std::uint64_t start = 0;
    if (request.at_seconds) {
        const double at = *request.at_seconds;
        const double frames = at * request.output_rate.value();
        if (!std::isfinite(at) || at < 0 || frames > double(max_frames)) {
            return Error{"--at takes seconds from 0 on, not " + seconds_text(at)};
        }
        start = static_cast<std::uint64_t>(std::llround(frames));
        if (start + n > a_frames) {
            return Error{"--at " + seconds_text(at) + " starts the transition at frame " +
                         std::to_string(start) + ", but source A has " + std::to_string(a_frames) +
                         " frames from its in-point on, fewer than " + std::to_string(start + n) +
                         " (the transition lasts " + std::to_string(n) + ")"};
        }
    } else {
        if (a_frames < n) {
            return Error{"source A has " + std::to_string(a_frames) +
                         " frames from its in-point on, fewer than the " + std::to_string(n) +
                         " of the transition (--frames)"};
        }
        start = a_frames - n;
    }
    if (start + b_frames > max_frames) {
        return Error{"the joined movie would have more than " + std::to_string(max_frames) +
                     " frames"};
    }
    plan.m_transition_start = static_cast<std::uint32_t>(start);
    plan.m_frame_count = static_cast<std::uint32_t>(start + b_frames);
    return plan;
}

PlannedFrame EditPlan::at(std::uint32_t index) const {
    PlannedFrame frame;
    const std::uint32_t n = m_request.transition_frames;
    const std::uint32_t start = m_transition_start;
    frame.part = index < start       ? FramePart::source_a
                 : index < start + n ? FramePart::transition
                                     : FramePart::source_b;
    // Frame i of N is position i of N - 1; a single frame is position 0 of 1.
    frame.total = n > 1 ? n - 1 : 1;
    const std::uint32_t into_b = index >= start ? index - start : 0;
    frame.position = frame.part == FramePart::transition ? into_b : 0;
    frame.source_frames.push_back(source_frame(m_request.a, index));
    frame.source_frames.push_back(source_frame(m_request.b, into_b));
    for (const SourceTiming& extra : m_request.extras) {
        frame.source_frames.push_back(source_frame(extra, into_b));
    }
    return frame;
}

}  // namespace kdr::render_tool
