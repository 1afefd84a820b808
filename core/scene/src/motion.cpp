#include "kaleidra/scene/motion.h"

namespace kdr {
namespace {

// The 13 float entries in stored order.
float* entry(MotionState& state, int index) {
    switch (index) {
        case 0:
            return &state.time;
        case 1:
        case 2:
        case 3:
            return &state.position[index - 1];
        case 4:
            return &state.pitch;
        case 5:
            return &state.heading;
        case 6:
            return &state.bank;
        case 7:
        case 8:
        case 9:
            return &state.scale[index - 7];
        case 10:
            return &state.tension;
        case 11:
            return &state.continuity;
        case 12:
            return &state.bias;
        default:
            return nullptr;
    }
}

}  // namespace

float& motion_value(MotionState& state, int index) {
    float* value = entry(state, index);
    // Out-of-range indices are a programming error; they land on the time so
    // nothing outside the state is touched.
    return value != nullptr ? *value : state.time;
}

float motion_value(const MotionState& state, int index) {
    const float* value = entry(const_cast<MotionState&>(state), index);
    return value != nullptr ? *value : 0.0f;
}

bool motion_differs(const MotionState& a, const MotionState& b) {
    for (int i = 0; i < motion_value_count; ++i) {
        if (motion_value(a, i) != motion_value(b, i)) {
            return true;
        }
    }
    return a.linear != b.linear;
}

bool key_differs(const EnvelopeKey& a, const EnvelopeKey& b) {
    return a.time != b.time || a.value != b.value || a.tension != b.tension ||
           a.continuity != b.continuity || a.bias != b.bias || a.linear != b.linear;
}

}  // namespace kdr
