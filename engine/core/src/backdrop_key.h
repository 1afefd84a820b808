#pragma once
// What the first object of a frame draws onto the freshly cleared picture
// depends on, gathered as bytes: when two frames give the same bytes, the
// first object leaves the same colour and depth in the same rows, so a
// surface that kept them (gl::Surface::keep) may give them back instead of
// clearing and drawing again. This is how a still backdrop (the textured
// stage behind a turning card) is drawn once per context instead of once
// per frame.
//
// The bytes cover: the rows in force and the clear; the blending; the
// frame's flags and every settings value as envelopes left them; the camera;
// the light and shadow plane; the object's vertices, polygons and normals as
// this frame has them, its own values, the motions of its parent chain, its
// direction and pivot; and every field of the surfaces it uses. Objects that
// show a video never qualify (their picture changes every frame).

#include <cstdint>
#include <vector>

#include "kaleidra/render/drawing_core.h"
#include "kaleidra/render/object_transform.h"

namespace kdr::render {

struct BackdropInputs {
    const Scene* scene = nullptr;  // the frame scene
    const scene::Object* object = nullptr;
    const FrameValues* values = nullptr;
    std::uint32_t flags = 0;
    std::uint32_t first_row = 0;
    std::uint32_t row_count = 0;
    bool clear_colour = false;
    bool clear_depth = false;
    float clear_rgba[4] = {0, 0, 0, 0};
    bool underlay = false;  // blending gathers coverage in alpha
    Direction direction;
    Vector3 pivot;
    Vector3 light;
    float shadow_plane = 0;
};

// True when the object's picture can stay from frame to frame: it has
// polygons and none of its surfaces shows a video.
bool backdrop_candidate(const Scene& scene, const scene::Object& object);

// The bytes; equal bytes mean an equal drawing.
void backdrop_key(const BackdropInputs& inputs, std::vector<std::uint8_t>& key);

}  // namespace kdr::render
