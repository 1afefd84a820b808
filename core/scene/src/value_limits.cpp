#include "kaleidra/scene/value_limits.h"

namespace kdr {

int whole_value(float value, int low, int high) {
    if (!(value > static_cast<float>(low))) {
        return low;  // not a number too
    }
    if (value >= static_cast<float>(high)) {
        return high;
    }
    return static_cast<int>(value);
}

int blur_count_value(float value) {
    return whole_value(value, 0, max_blur_count);
}

int render_style_value(float value) {
    return whole_value(value, -1, 3);
}

int filter_source_value(float value) {
    return whole_value(value, -1, max_filter_source);
}

int trail_count_value(float value) {
    return whole_value(value, 0, max_trail_count);
}

int trail_spacing_value(float value) {
    return whole_value(value, 0, max_trail_spacing);
}

}  // namespace kdr
