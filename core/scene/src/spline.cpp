// Kochanek-Bartels curves through envelope and path keys.
#include <cstddef>

#include "kaleidra/scene/evaluation.h"

namespace kdr {
namespace {

// The segment that holds x: the first i with x <= time of key i + 1, or the
// last segment.
template <class Key>
std::size_t segment_of(const std::vector<Key>& keys, float x) {
    const std::size_t last = keys.size() - 2;
    for (std::size_t i = 0; i < last; ++i) {
        if (x <= keys[i + 1].time) {
            return i;
        }
    }
    return last;
}

// The value between keys i and i + 1 at x; `value(k)` is the value of key k.
// Neighbours outside the keys, and spans of zero length that would divide
// by zero, fall back to the end-key tangents.
template <class Key, class Value>
float spline_value(const std::vector<Key>& keys, std::size_t i, float x, Value value) {
    const Key& k0 = keys[i];
    const Key& k1 = keys[i + 1];
    const float t0 = k0.time;
    const float t1 = k1.time;
    const float v0 = value(i);
    const float v1 = value(i + 1);
    const float span = t1 - t0;
    // Two keys at the same time: the curve has already reached the second.
    const float u = span != 0 ? (x - t0) / span : 1.0f;
    if (k1.linear != 0) {
        return v0 + u * (v1 - v0);
    }

    const float a = (1 - k0.tension) * (1 + k0.continuity) * (1 + k0.bias);
    const float b = (1 - k0.tension) * (1 - k0.continuity) * (1 - k0.bias);
    float d0;
    if (t0 != 0 && i > 0 && t1 != keys[i - 1].time) {
        d0 = ((v0 - value(i - 1)) * a + (v1 - v0) * b) * span / (t1 - keys[i - 1].time);
    } else {
        d0 = (v1 - v0) * (a + b) / 2;
    }

    const float c = (1 - k1.tension) * (1 - k1.continuity) * (1 + k1.bias);
    const float e = (1 - k1.tension) * (1 + k1.continuity) * (1 - k1.bias);
    float d1;
    if (t1 != 1 && i + 2 < keys.size() && keys[i + 2].time != t0) {
        d1 = ((v1 - v0) * c + (value(i + 2) - v1) * e) * span / (keys[i + 2].time - t0);
    } else {
        d1 = (v1 - v0) * (c + e) / 2;
    }

    const float u2 = u * u;
    const float u3 = u2 * u;
    const float h = 3 * u2 - 2 * u3;
    return v0 * (1 - h) + v1 * h + d0 * (u - 2 * u2 + u3) + d1 * (u3 - u2);
}

}  // namespace

float evaluate_envelope(const std::vector<EnvelopeKey>& keys, float x) {
    if (keys.empty()) {
        return 0;
    }
    if (keys.size() == 1) {
        return keys[0].value;
    }
    return spline_value(keys, segment_of(keys, x), x, [&](std::size_t k) { return keys[k].value; });
}

void evaluate_path(const std::vector<PathKey>& keys, float x, MotionState& out) {
    if (keys.empty()) {
        return;
    }
    if (keys.size() == 1) {
        for (int entry = 1; entry <= 9; ++entry) {
            motion_value(out, entry) = motion_value(keys[0], entry);
        }
        return;
    }
    const std::size_t i = segment_of(keys, x);
    for (int entry = 1; entry <= 9; ++entry) {
        motion_value(out, entry) =
            spline_value(keys, i, x, [&](std::size_t k) { return motion_value(keys[k], entry); });
    }
}

}  // namespace kdr
