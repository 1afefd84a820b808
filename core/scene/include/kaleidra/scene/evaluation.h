#pragma once
// Turning a scene and a completion into the frame's scene: items alive at
// the completion, moved along their paths, with envelopes applied, morphs
// blended, the filter source placed, normals computed and trails added.
//
// Envelopes that drive settings values change a per-frame copy of the values
// (FrameValues), never the caller's settings record: two render contexts may
// evaluate the same record on two threads at once.

#include <memory>

#include "kaleidra/records/layout.h"
#include "kaleidra/scene/scene.h"

namespace kdr {

// Kochanek-Bartels evaluation of an envelope (at least two keys) at x.
float evaluate_envelope(const std::vector<EnvelopeKey>& keys, float x);
// Entries 1..9 of `out` from the path's keys at x; the others keep what
// `out` held. One key yields that key.
void evaluate_path(const std::vector<PathKey>& keys, float x, MotionState& out);

// Merges the settings record's own envelopes and paths into `scene`: an item
// with the same id gets the user's keys (and parameter number), otherwise a
// clone of the user's item is appended.
void merge_user_items(Scene& scene, const Scene& user);

// The settings values as one frame sees them.
struct FrameValues {
    float globals[global_value_count];
    float video_values[video_group_count][video_value_count];

    static FrameValues from(const EffectSettings& settings);
    float video(int group, int value) const {
        return group >= 0 && group < video_group_count ? video_values[group][value] : 0.0f;
    }
};

struct FrameSceneRequest {
    const Scene* scene = nullptr;  // the effect as prepared (user items merged)
    const EffectSettings* settings = nullptr;
    const FrameRecord* frame = nullptr;  // slots, position, total, flags
    float completion = 0;
    bool layout_preview = false;  // stop before normals and trails
};

struct FrameScene {
    std::unique_ptr<Scene> scene;
    FrameValues values;
};

// Steps 2 to 11 of the frame evaluation. Null scene when the clone fails.
FrameScene build_frame_scene(const FrameSceneRequest& request);

// Face and corner normals of every object (smoothing across polygons whose
// surfaces ask for it when `smooth`).
void compute_normals(Scene& scene, bool smooth);

}  // namespace kdr
