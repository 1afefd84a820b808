#pragma once
// Where an object is drawn: its motion and its parents' motions, and the
// per-video direction that turns the whole path about the view axis. The
// same sequence of translations, rotations and scalings is applied to the
// OpenGL model-view matrix when drawing and to a CPU matrix when projecting
// shadows, so both agree.

#include <cstdint>

#include "kaleidra/render/matrix.h"
#include "kaleidra/scene/evaluation.h"
#include "kaleidra/scene/items.h"

namespace kdr::render {

// The direction rotation of an object with a video number in a final frame.
struct Direction {
    float turn = 0;    // r: per-video direction, above 180 taken as r - 360
    float follow = 0;  // f: the part of r the object turns with its path
};

struct DirectionInputs {
    const FrameValues* values = nullptr;
    int slot = -1;  // the object's video slot (videos swapped), -1 for none
    float completion = 0;
    std::uint32_t effect_type = 0;
    bool final_frame = true;
};

Direction object_direction(const scene::Object& object, const DirectionInputs& inputs);

// The pivot subtracted from the object's vertices in this frame: a root
// object that does not follow its direction turns its pivot by r about Z.
Vector3 object_pivot(const scene::Object& object, const DirectionInputs& inputs,
                     const Direction& direction);

// The most parents followed up a chain; deeper or circular chains stop there.
inline constexpr int max_parent_depth = 64;

// Applies the object transform to `sink` (anything with translate, rotate
// and scale as glTranslatef, glRotatef and glScalef). `own_motion` replaces
// the object's own motion when given (positions along its path).
template <class Sink>
void apply_object_transform(Sink& sink, const scene::Object& object, const Direction& direction,
                            const MotionState* own_motion = nullptr) {
    const scene::Object* chain[max_parent_depth];
    int depth = 0;
    for (const scene::Object* item = &object; item != nullptr && depth < max_parent_depth;
         item = item->parent) {
        bool repeated = false;
        for (int i = 0; i < depth; ++i) {
            repeated = repeated || chain[i] == item;
        }
        if (repeated) {
            break;
        }
        chain[depth++] = item;
    }
    if (direction.turn != 0) {
        sink.rotate(-direction.turn, 0, 0, 1);
    }
    for (int i = depth - 1; i >= 0; --i) {
        const MotionState& m =
            (own_motion != nullptr && chain[i] == &object) ? *own_motion : chain[i]->motion;
        sink.translate(m.position[0], m.position[1], m.position[2]);
        if (m.heading != 0) {
            sink.rotate(m.heading, 0, 1, 0);
        }
        if (m.pitch != 0) {
            sink.rotate(m.pitch, 1, 0, 0);
        }
        if (m.bank != 0) {
            sink.rotate(m.bank, 0, 0, 1);
        }
        sink.scale(m.scale[0], m.scale[1], m.scale[2]);
        if (i == depth - 1 && direction.turn != 0) {
            sink.rotate(direction.turn - direction.follow, 0, 0, 1);
        }
    }
}

}  // namespace kdr::render
