// Drawing one pass of a frame (the frame itself, or one blur sub-frame) in
// its steps: the view, the preview's camera outline, the lights, the clear
// or the kept backdrop given back, then the objects.

#include <algorithm>

#include "backdrop_key.h"
#include "core_internal.h"
#include "kaleidra/render/object_transform.h"

namespace kdr::render {

bool DrawingCore::draw_pass(const FrameScene& frame_scene, const EffectSettings& settings,
                            FrameRecord& frame, float completion) {
    const Scene& scene = *frame_scene.scene;
    Pass pass{scene, frame_scene.values, frame};
    pass.completion = completion;
    pass.layout = is_layout_preview(frame);
    pass.trade_places = videos_trade_places(scene, settings);
    pass.flags = frame.flags;

    light_and_shadow_plane(scene, frame_scene.values);
    if (pass.layout) {
        projection(scene, frame.flags);
        // Before the camera outline; layout pictures keep nothing.
        if (m_clear.due) {
            m_clear.due = false;
            m_surface.clear(m_clear.colour, m_clear.depth, m_clear.rgba);
        }
    }
    set_view(pass);

    // The halves of a frame drawn by two contexts are cut in the picture's
    // rows (draw_frame), not by clip planes in the world: a plane at the
    // middle of the world misses the middle of the picture whenever the
    // camera is raised or tilted, and clipped polygons are split into new
    // ones whose pixels differ from those of the whole frame.

    if (!pass.layout) {
        place_lights(pass);
    } else {
        find_highlighted_video(pass);
    }

    const bool keep_colour = (pass.flags & flag_keep_colour) != 0 && !m_underlay;
    m_pass_laid = false;
    const BackdropUse backdrop = clear_or_give_back_backdrop(pass, keep_colour);
    return draw_objects(pass, backdrop, keep_colour);
}

void DrawingCore::set_view(const Pass& pass) {
    const gl::GlApi& gl = m_gl;
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    if (!pass.layout || (pass.flags & flag_preview_camera) != 0) {
        if (!pass.scene.cameras.empty()) {
            const MotionState& m = pass.scene.cameras.front()->motion;
            if (m.pitch != 0) {
                gl.Rotatef(-m.pitch, 1, 0, 0);
            }
            if (m.heading != 0) {
                gl.Rotatef(-m.heading, 0, 1, 0);
            }
            if (m.bank != 0) {
                gl.Rotatef(-m.bank, 0, 0, 1);
            }
            gl.Translatef(-m.position[0], -m.position[1], -m.position[2]);
        }
        return;
    }
    if ((pass.flags & flag_preview_perspective) != 0) {
        gl.Rotatef(18, 1, 0, 0);
        gl.Rotatef(-40, 0, 1, 0);
        gl.Translatef(-8, -4, -8);
    } else if ((pass.flags & flag_preview_top) != 0) {
        gl.Rotatef(90, 1, 0, 0);
    } else if ((pass.flags & flag_preview_side) != 0) {
        gl.Rotatef(-90, 0, 1, 0);
    }
    draw_camera_outline();
}

void DrawingCore::draw_camera_outline() {
    // A dashed frustum from behind the camera.
    const gl::GlApi& gl = m_gl;
    gl.LineStipple(1, 0xCCCC);
    colour(0.7f, 0.7f, 0.7f, 1);
    gl.Begin(GL_LINES);
    for (float x : {-10.0f, 10.0f}) {
        for (float y : {-7.5f, 7.5f}) {
            gl.Vertex3f(0, 0, 4);
            gl.Vertex3f(x, y, -16);
        }
    }
    gl.End();
    gl.LineStipple(1, 0xFFFF);
}

void DrawingCore::place_lights(const Pass& pass) {
    const gl::GlApi& gl = m_gl;
    const float direction = pass.values.globals[global_light_direction];
    gl.PushMatrix();
    if (direction > 0) {
        gl.Rotatef(-direction, 0, 0, 1);
    }
    const GLfloat white[4] = {1, 1, 1, 1};
    const GLfloat diffuse_position[4] = {0, 20, 20, 1};
    const GLfloat specular_position[4] = {0, 80, 2, 1};
    gl.Lightfv(GL_LIGHT0, GL_DIFFUSE, white);
    gl.Lightfv(GL_LIGHT0, GL_POSITION, diffuse_position);
    gl.Lightfv(GL_LIGHT1, GL_SPECULAR, white);
    gl.Lightfv(GL_LIGHT1, GL_POSITION, specular_position);
    gl.Enable(GL_LIGHT0);
    gl.Enable(GL_LIGHT1);
    gl.PopMatrix();
}

void DrawingCore::find_highlighted_video(Pass& pass) {
    // Layout previews show every object of the highlighted object's video
    // highlighted with it.
    const FrameRecord& frame = pass.frame;
    const scene::Object* highlighted =
        pass.scene.find_object(static_cast<std::uint16_t>(frame.highlighted_id & 0xffff));
    if (highlighted != nullptr && frame.highlighted_id <= 0xffff) {
        pass.key_video = highlighted->video_number;
    }
}

DrawingCore::BackdropUse DrawingCore::clear_or_give_back_backdrop(const Pass& pass,
                                                                  bool keep_colour) {
    // The first pass clears, or gives back the picture a still first object
    // left in an earlier frame.
    BackdropUse use;
    if (!m_clear.due) {
        return use;
    }
    m_clear.due = false;
    const Scene& scene = pass.scene;
    const scene::Object* first_object =
        scene.objects.empty() ? nullptr : scene.objects.front().get();
    if (!pass.layout && first_object != nullptr && !keep_colour &&
        !(m_underlay && lies_under(pass, *first_object)) &&
        backdrop_candidate(scene, *first_object)) {
        use.backdrop = first_object;
        backdrop_key(backdrop_inputs(pass, *first_object), m_backdrop_next);
        use.reused =
            m_backdrop_kept && m_backdrop_next == m_backdrop_key && m_surface.restore_kept();
    }
    if (!use.reused) {
        m_surface.clear(m_clear.colour, m_clear.depth, m_clear.rgba);
    }
    m_backdrop_reused = use.reused;
    return use;
}

BackdropInputs DrawingCore::backdrop_inputs(const Pass& pass, const scene::Object& backdrop) const {
    BackdropInputs inputs;
    inputs.scene = &pass.scene;
    inputs.object = &backdrop;
    inputs.values = &pass.values;
    inputs.flags = pass.flags;
    inputs.first_row = m_surface.first_row();
    inputs.row_count = m_surface.row_count();
    inputs.clear_colour = m_clear.colour;
    inputs.clear_depth = m_clear.depth;
    std::copy(std::begin(m_clear.rgba), std::end(m_clear.rgba), std::begin(inputs.clear_rgba));
    inputs.underlay = m_underlay;
    DirectionInputs direction_inputs;
    direction_inputs.values = &pass.values;
    direction_inputs.slot = video_slot(backdrop.video_number, pass.trade_places);
    direction_inputs.completion = pass.completion;
    direction_inputs.effect_type = pass.scene.type;
    direction_inputs.final_frame = true;
    inputs.direction = object_direction(backdrop, direction_inputs);
    inputs.pivot = object_pivot(backdrop, direction_inputs, inputs.direction);
    inputs.light = m_state.light;
    inputs.shadow_plane = m_state.shadow_plane;
    return inputs;
}

bool DrawingCore::draw_objects(const Pass& pass, const BackdropUse& backdrop, bool keep_colour) {
    const gl::GlApi& gl = m_gl;
    const GLfloat ambient[4] = {0.4f, 0.4f, 0.4f, 1};
    const GLfloat no_ambient[4] = {0, 0, 0, 0};
    const FrameRecord& frame = pass.frame;
    bool first = true;
    for (const auto& item : pass.scene.objects) {
        const scene::Object& object = *item;
        const bool is_first = first;
        first = false;
        bool skip = is_first && (keep_colour || backdrop.reused);
        if (is_first && m_underlay && lies_under(pass, object)) {
            skip = true;
            m_pass_laid = true;
        }
        if (skip) {
            // Not drawn, but counted: progress runs alike whether or not the
            // first object lies under the picture.
        } else if (pass.layout) {
            const bool highlighted = object.id == frame.highlighted_id;
            if (highlighted || (pass.flags & flag_preview_only_highlighted) == 0) {
                draw_object(pass, object, false);
            }
            if (highlighted && (pass.flags & flag_preview_only_highlighted) == 0 &&
                (pass.flags & flag_preview_path) != 0) {
                draw_path(pass, object);
            }
        } else {
            draw_object(pass, object, false);
            if (is_first && backdrop.backdrop == &object) {
                // Kept for the next frames; a surface that cannot keep
                // pictures leaves every frame to clear and draw.
                m_backdrop_kept = m_surface.keep();
                m_backdrop_key.swap(m_backdrop_next);
            }
            if (!is_first) {
                // The shine: a second, additive drawing lit by the
                // specular light alone.
                blend_add();
                gl.Disable(GL_LIGHT0);
                gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, no_ambient);
                draw_object(pass, object, true);
                gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
                gl.Enable(GL_LIGHT0);
                blend_over();
            }
        }
        if (frame.abort != nullptr && frame.abort(0) != 0) {
            return false;
        }
        m_state.progress += m_state.progress_step;
        report_progress(frame);
    }
    return true;
}

}  // namespace kdr::render
