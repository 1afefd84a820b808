#include "completion.h"

#include <algorithm>
#include <cmath>

namespace kdr::aftereffects {

Completion completion(std::int32_t total_time, std::int32_t time_step, std::int32_t slider_value) {
    Completion result;
    if (total_time <= 0 || time_step <= 0) {
        return result;
    }
    result.total = static_cast<std::uint32_t>(total_time / time_step);
    const double part = static_cast<double>(slider_value) / 65536.0 * 0.01 * result.total;
    result.part = static_cast<std::uint32_t>(
        std::clamp(std::trunc(part), 0.0, static_cast<double>(result.total)));
    return result;
}

}  // namespace kdr::aftereffects
