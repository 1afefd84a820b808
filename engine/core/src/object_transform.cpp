#include "kaleidra/render/object_transform.h"

#include <algorithm>
#include <cmath>

#include "kaleidra/records/layout.h"

namespace kdr::render {

Direction object_direction(const scene::Object& object, const DirectionInputs& inputs) {
    Direction direction;
    if (!inputs.final_frame || object.video_number == 0 || inputs.values == nullptr) {
        return direction;
    }
    float r = inputs.values->video(inputs.slot, video_direction);
    if (r > 180) {
        r -= 360;
    }
    direction.turn = r;
    if (r != 0 && inputs.values->video(inputs.slot, video_follows_direction) == 1) {
        if (inputs.effect_type == 2) {
            direction.follow = r;
        } else {
            // The incoming video of a two-video transition turns over the
            // last quarter of the effect, everything else over the first.
            const bool incoming = inputs.effect_type == 1 && inputs.slot == 1;
            const float progress = incoming ? 1 - inputs.completion : inputs.completion;
            direction.follow = std::min(4 * progress, 1.0f) * r;
        }
    }
    return direction;
}

Vector3 object_pivot(const scene::Object& object, const DirectionInputs& inputs,
                     const Direction& direction) {
    Vector3 pivot{object.pivot[0], object.pivot[1], object.pivot[2]};
    const bool follows =
        inputs.values != nullptr && inputs.values->video(inputs.slot, video_follows_direction) != 0;
    if (direction.turn != 0 && object.parent == nullptr && !follows &&
        (pivot.x != 0 || pivot.y != 0 || pivot.z != 0)) {
        const float a = direction.turn * 3.14159265358979323846f / 180.0f;
        const float c = std::cos(a);
        const float s = std::sin(a);
        pivot = {pivot.x * c - pivot.y * s, pivot.x * s + pivot.y * c, pivot.z};
    }
    return pivot;
}

}  // namespace kdr::render
