#pragma once
// The part and total of a render: the total is the layer's duration in
// whole frames (total time / time step), the part the slider's 16.16
// percentage of it, truncated and kept within 0 to the total.

#include <cstdint>

namespace kdr::aftereffects {

struct Completion {
    std::uint32_t part = 0;
    std::uint32_t total = 0;
};

Completion completion(std::int32_t total_time, std::int32_t time_step, std::int32_t slider_value);

}  // namespace kdr::aftereffects
