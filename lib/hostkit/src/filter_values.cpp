#include "kaleidra/hostkit/filter_values.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kdr::hostkit {

Result<FilterValues> filter_values(const EffectSettings& settings) {
    FilterValues values;
    const float source = settings.globals[global_filter_source];
    if (!std::isfinite(source) || source < 0 || source >= image_slot_count ||
        source != std::trunc(source)) {
        return Error{"The filter source (" + std::to_string(source) +
                     ") is not a video from 1 to " + std::to_string(image_slot_count) + "."};
    }
    values.source_slot = static_cast<int>(source);

    const float frames = settings.globals[global_filter_frames];
    double total = std::isfinite(frames) ? std::trunc(static_cast<double>(frames)) : 0.0;
    if (std::isinf(frames) && frames > 0) {
        total = max_filter_frames;
    }
    total = std::clamp(total, 0.0, static_cast<double>(max_filter_frames));
    values.total = static_cast<std::uint32_t>(total);

    const float percent = settings.globals[global_filter_percent];
    const double part =
        std::isfinite(percent) ? std::trunc(static_cast<double>(percent) * 0.01 * total) : 0.0;
    values.part = static_cast<std::uint32_t>(std::clamp(part, 0.0, total));
    return values;
}

}  // namespace kdr::hostkit
