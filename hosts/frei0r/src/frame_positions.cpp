#include "frame_positions.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "transition_parameters.h"

namespace kdr::frei0r {
namespace {

// Times are frame numbers over the frame rate; two times closer than this
// are one frame's time computed twice.
bool same_time(double a, double b) {
    return std::fabs(a - b) <= 1e-9 + 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

// Enough times for any transition; beyond them the clock starts its list
// afresh (keeping the frame time it learnt).
constexpr std::size_t kept_times = 4096;

}  // namespace

void FrameClock::observe(double time) {
    if (!std::isfinite(time)) {
        return;
    }
    std::lock_guard lock(m_mutex);
    auto consider = [&](double seen) {
        const double gap = std::fabs(time - seen);
        if (!m_frame_time || (gap < *m_frame_time && !same_time(gap, *m_frame_time))) {
            m_frame_time = gap;
        }
    };
    // The nearest times seen before, on either side.
    const auto after = m_times.lower_bound(time);
    if (after != m_times.end() && same_time(*after, time)) {
        return;
    }
    if (after != m_times.begin() && same_time(*std::prev(after), time)) {
        return;
    }
    if (after != m_times.end()) {
        consider(*after);
    }
    if (after != m_times.begin()) {
        consider(*std::prev(after));
    }
    if (m_times.size() >= kept_times) {
        m_times.clear();
    }
    m_times.insert(time);
}

std::optional<double> FrameClock::frame_time() const {
    std::lock_guard lock(m_mutex);
    return m_frame_time;
}

void FramePositions::learn(double time, double completion) {
    if (!std::isfinite(time)) {
        return;
    }
    m_clock.observe(time);
    const std::optional<double> frame_time = m_clock.frame_time();
    if (m_last_time && frame_time && !same_time(time, *m_last_time)) {
        const double step = std::fabs(completion - m_last_completion);
        if (step > 0) {
            // Frames from 0 to 1 at this frame's rate of change.
            const double frames = std::fabs(time - *m_last_time) / (step * *frame_time);
            m_total = static_cast<std::uint32_t>(
                std::clamp(std::round(frames), 1.0, static_cast<double>(max_total)));
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
