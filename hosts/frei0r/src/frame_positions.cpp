#include "frame_positions.h"

#include <algorithm>
#include <cmath>

#include "transition_parameters.h"

namespace kdr::frei0r {
namespace {

// Times are frame numbers divided by the frame rate; two frame durations
// computed from different times differ only by rounding.
bool same_duration(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::max(a, b) + 1e-9;
}

}  // namespace

void FramePositions::learn(double time, double completion) {
    if (!std::isfinite(time)) {
        return;
    }
    if (m_last_time) {
        const double step_time = std::fabs(time - *m_last_time);
        if (step_time > 0) {
            if (!m_frame_time ||
                (step_time < *m_frame_time && !same_duration(step_time, *m_frame_time))) {
                m_frame_time = step_time;
            }
            const double step = std::fabs(completion - m_last_completion);
            if (same_duration(step_time, *m_frame_time) && step > 0) {
                const double frames = std::round(1.0 / step);
                m_total = static_cast<std::uint32_t>(
                    std::clamp(frames, 1.0, static_cast<double>(max_total)));
            }
        }
    }
    m_last_time = time;
    m_last_completion = completion;
}

FramePlace FramePositions::place(double time, double completion) {
    const double c = unit_interval(completion);
    learn(time, c);
    FramePlace place;
    place.total = m_total;
    if (c <= 0) {
        place.position = 0;
        return place;
    }
    if (c >= 1) {
        place.position = place.total;
        return place;
    }
    // Strictly between the ends: neither end's picture.
    if (place.total < 2) {
        place.total = 2;
    }
    const double position = std::round(c * place.total);
    place.position =
        static_cast<std::uint32_t>(std::clamp(position, 1.0, static_cast<double>(place.total - 1)));
    return place;
}

}  // namespace kdr::frei0r
