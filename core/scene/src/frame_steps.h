#pragma once
// The steps of the frame evaluation after the clone, each on the frame's own
// scene. Links must be set on entry to each step.

#include "kaleidra/scene/evaluation.h"

namespace kdr::frame_steps {

// Steps 4 and 5: envelopes (items' parameters or the frame's values), then
// paths (the linked items' motion).
void apply_envelopes(Scene& scene, float x, FrameValues& values);
void apply_paths(Scene& scene, float x);

// Steps 6 and 7: blends morphing objects along their chains of targets, then
// removes the targets (relinking the scene).
void apply_morphs(Scene& scene);
void remove_morph_targets(Scene& scene);

// Step 8: places the filter source's root object.
void place_filter_source(Scene& scene, const FrameValues& values);

// Step 11: trail copies of the objects showing videos with trails.
void add_trails(Scene& scene, const FrameValues& values, const FrameRecord& frame, float x);

}  // namespace kdr::frame_steps
