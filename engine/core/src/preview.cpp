// The highlighted object's path in layout previews.

#include <cmath>

#include "core_internal.h"
#include "kaleidra/render/object_transform.h"

namespace kdr::render {

void DrawingCore::draw_path(const Pass& pass, const scene::Object& object) {
    const gl::GlApi& gl = m_gl;
    const scene::Path* path = nullptr;
    for (const auto& candidate : pass.scene.paths) {
        if (candidate->link_id != 0 && candidate->link_id == static_cast<std::int16_t>(object.id) &&
            !candidate->keys.empty()) {
            path = candidate.get();
            break;
        }
    }
    if (path == nullptr) {
        return;
    }
    constexpr int steps = 100;
    const Direction none;

    // A line through the object's positions at completions 0, 0.01, ... 1.
    colour(0, 0, 1, 1);
    gl.Begin(GL_LINE_STRIP);
    for (int i = 0; i <= steps; ++i) {
        MotionState motion = object.motion;
        evaluate_path(path->keys, float(i) / steps, motion);
        Matrix model = Matrix::identity();
        apply_object_transform(model, object, none, &motion);
        const Vector3 position = model.transform_point({0, 0, 0});
        gl.Vertex3f(position.x, position.y, position.z);
    }
    gl.End();

    // A small cross wherever the path has a key.
    colour(0, 0.5f, 1, 1);
    GlTransformSink sink{gl};
    for (int i = 0; i <= steps; ++i) {
        const float x = float(i) / steps;
        bool at_key = false;
        for (const PathKey& key : path->keys) {
            at_key = at_key || std::fabs(key.time - x) <= 0.005f;
        }
        if (!at_key) {
            continue;
        }
        MotionState motion = object.motion;
        evaluate_path(path->keys, x, motion);
        gl.PushMatrix();
        apply_object_transform(sink, object, none, &motion);
        gl.Begin(GL_LINES);
        gl.Vertex3f(-0.1f, 0, 0);
        gl.Vertex3f(0.1f, 0, 0);
        gl.Vertex3f(0, -0.1f, 0);
        gl.Vertex3f(0, 0.1f, 0);
        gl.Vertex3f(0, 0, -0.1f);
        gl.Vertex3f(0, 0, 0.1f);
        gl.End();
        gl.PopMatrix();
    }
}

}  // namespace kdr::render
