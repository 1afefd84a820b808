#pragma once
// Turning a scene and a completion into the frame's scene: items alive at
// the completion, moved along their paths, with envelopes applied, morphs
// blended, the filter source placed, normals computed and trails added.
//
// Envelopes that drive settings values change a per-frame copy of the values
// (FrameValues), never the caller's settings record: two render contexts may
// evaluate the same record on two threads at once.

#include <memory>
#include <vector>

#include "kaleidra/records/layout.h"
#include "kaleidra/scene/scene.h"

namespace kdr {

// Kochanek-Bartels evaluation of an envelope at x: the segment is the first
// whose end key is at or after x (else the last); the linear flag of its end
// key makes it a straight line. One key gives its value, none gives 0. Keys
// at the same time, and neighbours missing at the ends, never divide by zero.
float evaluate_envelope(const std::vector<EnvelopeKey>& keys, float x);
// Entries 1..9 of `out` from the path's keys at x; the others keep what
// `out` held. One key yields that key; no keys leave `out` as it was.
void evaluate_path(const std::vector<PathKey>& keys, float x, MotionState& out);

// Merges the settings record's own envelopes and paths into `scene`: an item
// with the same id gets the user's keys (and parameter number) and keeps its
// link and time window, otherwise a clone of the user's item is appended.
// The scene is relinked. Merging again is harmless.
void merge_user_items(Scene& scene, const Scene& user);

// The settings values as one frame sees them.
struct FrameValues {
    float globals[global_value_count];
    float video_values[video_group_count][video_value_count];

    static FrameValues from(const EffectSettings& settings);
    // Sets the value that parameter `number` addresses (settings_set_parameter).
    void set_parameter(int number, float value);
    // Value `value` of group `group`; 0 for groups beyond the 20 videos.
    float video(int group, int value) const {
        return group >= 0 && group < video_group_count ? video_values[group][value] : 0.0f;
    }
};

struct FrameSceneRequest {
    const Scene* scene = nullptr;  // the effect as prepared (user items merged)
    const EffectSettings* settings = nullptr;
    // Image slots (trails follow the slots that have pixels), position, total
    // and flags. Without a frame no trails are made.
    const FrameRecord* frame = nullptr;
    float completion = 0;
    // Stop before normals and trails; also when the frame's flags ask for a
    // layout preview.
    bool layout_preview = false;
};

// The frame's scene and the settings values as envelopes left them. The
// scene's textures and preview image point at the prepared scene's pixels
// (owns = 0), so a frame scene must not outlive the scene it was made from.
struct FrameScene {
    std::unique_ptr<Scene> scene;
    FrameValues values;
};

// The frame scene at the request's completion x: a clone of the scene
// without the items outside their time windows; envelopes (linked: the
// item's parameter; link id 0: the frame's values), paths, morphs along the
// next-morph-target chains, morph targets removed, the filter source placed
// (global 10 = 1); then, unless a layout preview, normals when lighting is on
// (smoothed for render style 0) and trails for 0 < x < 1 (copies with ids
// from 5000). Null scene when memory runs out. Reads the request's scene and
// settings only, so several threads may build frames of one scene at once.
FrameScene build_frame_scene(const FrameSceneRequest& request);

// Face normals ((v2 - v0) x (v1 - v0), not normalised) as every corner's
// normal; with `smooth`, a corner of a polygon on a smoothing surface shared
// with other polygons takes the average of the face normals among the
// vertex's first 64 polygons that point its way, when more than one does.
void compute_normals(Scene& scene, bool smooth);

}  // namespace kdr
