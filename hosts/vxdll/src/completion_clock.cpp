#include "completion_clock.h"

#include <algorithm>
#include <cmath>

namespace kdr::vxdll {

FramePlace CompletionClock::advance(float completion) {
    // Also true for NaN: it is not above 0.
    if (!(completion > 0.0f)) {
        m_total = first_total;
        m_at_first_frame = true;
        return {0, m_total};
    }
    const double c = std::min(static_cast<double>(completion), 1.0);
    if (m_at_first_frame) {
        const double total = std::min(1.0 / c + 1.5, static_cast<double>(max_total));
        m_total = static_cast<std::uint32_t>(std::trunc(total));
        m_at_first_frame = false;
    }
    const double part = std::trunc(static_cast<double>(m_total) * c);
    return {std::min(static_cast<std::uint32_t>(part), m_total), m_total};
}

}  // namespace kdr::vxdll
