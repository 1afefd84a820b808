#pragma once
// Pieces of the drawing core shared by its source files.

#include "kaleidra/gl/gl_api.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/render/drawing_core.h"
#include "kaleidra/scene/video_roles.h"

namespace kdr::render {

// Sends the object transform to the current OpenGL matrix.
struct GlTransformSink {
    const gl::GlApi& gl;
    void translate(float x, float y, float z) { gl.Translatef(x, y, z); }
    void rotate(float degrees, float x, float y, float z) { gl.Rotatef(degrees, x, y, z); }
    void scale(float x, float y, float z) { gl.Scalef(x, y, z); }
};

// One sub-frame's inputs, gathered once.
struct DrawingCore::Pass {
    const Scene& scene;  // the frame scene
    const FrameValues& values;
    FrameRecord& frame;
    float completion = 0;
    bool layout = false;        // layout preview
    bool trade_places = false;  // videos 1 and 2 trade places (video_roles.h)
    std::uint32_t flags = 0;
    std::uint32_t key_video = 0;  // layout preview: the highlighted object's video
};

inline bool is_layout_preview(const FrameRecord& frame) {
    return (frame.flags & flag_layout_preview) != 0;
}

inline bool flies_on(const EffectSettings& settings) {
    return settings.globals[global_fly_direction] != 0;
}

inline bool videos_trade_places(const Scene& scene, const EffectSettings& settings) {
    return kdr::videos_trade_places(scene.type, settings.globals[global_fly_direction]);
}

}  // namespace kdr::render
