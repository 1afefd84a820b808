#pragma once
// Keys of paths and envelopes. Both are stored byte for byte in effect files
// and settings blocks, so their layouts are fixed (56 and 24 bytes).

#include <cstdint>

namespace kdr {

// A motion state, also the key of a path. Entries 1..9 (position, rotation,
// scale) are what paths interpolate; motion_value() indexes them.
struct MotionState {
    float time = 0;                 // [0] 0..1
    float position[3] = {0, 0, 0};  // [1..3] x, y, z
    float pitch = 0;                // [4] degrees about X
    float heading = 0;              // [5] degrees about Y
    float bank = 0;                 // [6] degrees about Z
    float scale[3] = {1, 1, 1};     // [7..9]
    float tension = 0;              // [10]
    float continuity = 0;           // [11]
    float bias = 0;                 // [12]
    std::uint16_t linear = 0;       // [13] non-zero: straight interpolation into this key
    std::uint16_t linear_padding = 0;
};
static_assert(sizeof(MotionState) == 56);

using PathKey = MotionState;

// Entry `index` (0..12) of the motion state as a float.
float& motion_value(MotionState& state, int index);
float motion_value(const MotionState& state, int index);
inline constexpr int motion_value_count = 13;

// By value, entries 0..12 and the linear flag (padding ignored).
bool motion_differs(const MotionState& a, const MotionState& b);

struct EnvelopeKey {
    float time = 0;  // 0..1
    float value = 0;
    float tension = 0;
    float continuity = 0;
    float bias = 0;
    std::uint16_t linear = 0;  // non-zero: straight interpolation into this key
    std::uint16_t linear_padding = 0;
};
static_assert(sizeof(EnvelopeKey) == 24);

bool key_differs(const EnvelopeKey& a, const EnvelopeKey& b);

}  // namespace kdr
