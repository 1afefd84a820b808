// Drawing one frame: clears, progress, blur sub-frames, the drawing pass.

#include <algorithm>
#include <cstring>

#include "backdrop_key.h"
#include "core_internal.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/render/object_transform.h"
#include "kaleidra/render/picture_output.h"
#include "kaleidra/scene/value_limits.h"

namespace kdr::render {

std::vector<double> blur_positions(int count, float percent, std::uint32_t position) {
    std::vector<double> positions;
    const double d = percent * 0.01;
    for (int n = count; n >= 1; --n) {
        positions.push_back((1 - d) + d * n / count + (double(position) - 1));
    }
    return positions;
}

void DrawingCore::report_progress(const FrameRecord& frame) {
    // Steps are sized by the prepared scene's objects; trail copies make a
    // frame scene hold more, whose steps would run past 100.
    m_state.progress = std::min(m_state.progress, 100);
    if (frame.progress != nullptr) {
        frame.progress(m_state.progress);
    }
}

void DrawingCore::blend_over() {
    if (m_underlay) {
        // Alpha gathers how much of the picture covers the video beneath.
        m_gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE,
                               GL_ONE_MINUS_SRC_ALPHA);
    } else {
        m_gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

void DrawingCore::blend_add() {
    if (m_underlay) {
        m_gl.BlendFuncSeparate(GL_ONE, GL_ONE, GL_ZERO, GL_ONE);
    } else {
        m_gl.BlendFunc(GL_ONE, GL_ONE);
    }
}

bool DrawingCore::draw_frame(Scene& scene, const EffectSettings& settings, FrameRecord& frame,
                             const FrameOptions& options) {
    const gl::GlApi& gl = m_gl;
    const bool layout = is_layout_preview(frame);
    const int blur_setting = blur_count_value(settings.globals[global_blur_count]);
    m_underlay = options.underlay_slot >= 0 && !layout;
    m_underlay_slot = m_underlay ? options.underlay_slot : -1;
    m_underlay_used = m_underlay ? Underlay::background : Underlay::none;
    m_picture = nullptr;
    m_pass_completions.clear();
    ++m_frame_serial;

    if (layout) {
        // The editors change the user's paths between frames.
        if (const Scene* user = settings_scene(settings)) {
            merge_user_items(scene, *user);
        }
    }

    // The picture rows this frame delivers: all of them, or those one half
    // of the output is made from. The surface draws, clears and reads only
    // those, with the whole frame's projection, so a half's pixels are
    // exactly those of the whole frame.
    const std::uint32_t surface_height = m_surface.height();
    std::uint32_t first_row = 0;
    std::uint32_t end_row = surface_height;
    if (!layout) {
        picture_rows(surface_height, frame.output.height, output_rows(frame.flags), first_row,
                     end_row);
    }
    m_surface.set_rows(first_row, end_row - first_row);

    // The clear is made by the first pass, which may give back a kept
    // backdrop instead (draw_pass).
    gl.Disable(GL_BLEND);
    m_clear = {};
    m_clear.due = true;
    if (m_underlay) {
        m_clear.colour = m_clear.depth = true;
        clear_colour(frame.background);
    } else {
        std::copy(std::begin(m_clear_rgba), std::end(m_clear_rgba), std::begin(m_clear.rgba));
        m_clear.colour = blur_setting > 0 || (frame.flags & flag_keep_colour) == 0;
        m_clear.depth = true;
    }
    m_backdrop_reused = false;
    if (!layout) {
        gl.Enable(GL_BLEND);
    }
    blend_over();

    m_state.progress = 0;
    report_progress(frame);

    const float completion = frame_completion(frame, settings);
    frame.completion = completion;
    int blur = blur_setting;
    if (!(completion > 0 && completion < 1) || layout) {
        blur = 0;
    }
    const int passes = std::max(blur, 1);
    m_state.progress_step =
        static_cast<int>(90 / (std::uint64_t(passes) * (std::uint64_t{scene.objects.size()} + 1)));

    auto run_pass = [&](float pass_completion) {
        FrameSceneRequest request;
        request.scene = &scene;
        request.settings = &settings;
        request.frame = &frame;
        request.completion = pass_completion;
        request.layout_preview = layout;
        FrameScene frame_scene = build_frame_scene(request);
        if (!frame_scene.scene) {
            return false;
        }
        m_state.progress += m_state.progress_step;
        report_progress(frame);
        m_pass_completions.push_back(pass_completion);
        return draw_pass(frame_scene, settings, frame, pass_completion);
    };

    if (blur == 0) {
        if (!run_pass(completion)) {
            return false;
        }
        m_picture = m_surface.finish_and_read();
        if (m_underlay) {
            m_underlay_used = m_pass_laid ? Underlay::video : Underlay::background;
        }
    } else {
        // Stored rows are counted from the bottom.
        m_accumulator.reset(m_surface.width(), surface_height, surface_height - end_row,
                            end_row - first_row);
        const bool fly_on = flies_on(settings);
        for (double position :
             blur_positions(blur, settings.globals[global_blur_percent], frame.position)) {
            // The sub-frame's completion follows the same transition period
            // as the frame's own.
            const float pass_completion = completion_at(position, frame.total, fly_on,
                                                        settings.globals[global_transition_period]);
            if (!run_pass(pass_completion)) {
                return false;
            }
            // Sub-frames draw over each other without clearing: the frame's
            // own position, drawn first, stays whole and the earlier ones
            // fade behind it. Over a transparent background each sub-frame
            // is laid onto what lies beneath before it is added.
            std::uint8_t* picture = m_surface.finish_and_read();
            if (m_underlay) {
                const std::uint32_t output_height = frame.output.height;
                const int rows = output_rows(frame.flags);
                if (!m_pass_laid || !lay_under_video(picture, m_surface.width(), m_surface.height(),
                                                     frame.images[m_underlay_slot], output_height,
                                                     rows, m_scratch)) {
                    lay_under_colour(picture, m_surface.width(), m_surface.height(),
                                     frame.background, output_height, rows);
                }
            }
            m_accumulator.add(picture);
        }
        m_blurred.resize(std::size_t{m_surface.width()} * m_surface.height() * 4);
        m_accumulator.resolve(m_blurred.data());
        m_picture = m_blurred.data();
        m_underlay_used = Underlay::none;  // already laid under every sub-frame
    }
    m_state.progress = 100;
    report_progress(frame);
    return true;
}

bool DrawingCore::draw_pass(const FrameScene& frame_scene, const EffectSettings& settings,
                            FrameRecord& frame, float completion) {
    const gl::GlApi& gl = m_gl;
    const Scene& scene = *frame_scene.scene;
    Pass pass{scene, frame_scene.values, frame};
    pass.completion = completion;
    pass.layout = is_layout_preview(frame);
    pass.swap = scene.type == 1 && flies_on(settings);
    pass.flags = frame.flags;

    light_and_shadow_plane(scene, frame_scene.values);
    if (pass.layout) {
        projection(scene, frame.flags);
        // Before the camera glyph; layout pictures keep nothing.
        if (m_clear.due) {
            m_clear.due = false;
            m_surface.clear(m_clear.colour, m_clear.depth, m_clear.rgba);
        }
    }

    // View.
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    if (!pass.layout || (pass.flags & flag_preview_camera) != 0) {
        if (!scene.cameras.empty()) {
            const MotionState& m = scene.cameras.front()->motion;
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
    } else {
        if ((pass.flags & flag_preview_perspective) != 0) {
            gl.Rotatef(18, 1, 0, 0);
            gl.Rotatef(-40, 0, 1, 0);
            gl.Translatef(-8, -4, -8);
        } else if ((pass.flags & flag_preview_top) != 0) {
            gl.Rotatef(90, 1, 0, 0);
        } else if ((pass.flags & flag_preview_side) != 0) {
            gl.Rotatef(-90, 0, 1, 0);
        }
        // The camera glyph: a dashed frustum from behind the camera.
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

    // The halves of a frame drawn by two contexts are cut in the picture's
    // rows (draw_frame), not by clip planes in the world: a plane at the
    // middle of the world misses the middle of the picture whenever the
    // camera is raised or tilted, and clipped polygons are split into new
    // ones whose pixels differ from those of the whole frame.

    if (!pass.layout) {
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
    } else if (const Object* highlighted =
                   scene.find_object(static_cast<std::uint16_t>(frame.highlighted_id & 0xffff));
               highlighted != nullptr && frame.highlighted_id <= 0xffff) {
        pass.key_video = highlighted->video_number;
    }

    const GLfloat ambient[4] = {0.4f, 0.4f, 0.4f, 1};
    const GLfloat no_ambient[4] = {0, 0, 0, 0};
    const bool keep_colour = (pass.flags & flag_keep_colour) != 0 && !m_underlay;
    m_pass_laid = false;

    // The first pass clears, or gives back the picture a still first object
    // left in an earlier frame.
    const Object* backdrop = nullptr;
    bool reused = false;
    if (m_clear.due) {
        m_clear.due = false;
        const Object* first_object = scene.objects.empty() ? nullptr : scene.objects.front().get();
        if (!pass.layout && first_object != nullptr && !keep_colour &&
            !(m_underlay && lies_under(pass, *first_object)) &&
            backdrop_candidate(scene, *first_object)) {
            backdrop = first_object;
            BackdropInputs inputs;
            inputs.scene = &scene;
            inputs.object = backdrop;
            inputs.values = &pass.values;
            inputs.flags = pass.flags;
            inputs.first_row = m_surface.first_row();
            inputs.row_count = m_surface.row_count();
            inputs.clear_colour = m_clear.colour;
            inputs.clear_depth = m_clear.depth;
            std::copy(std::begin(m_clear.rgba), std::end(m_clear.rgba),
                      std::begin(inputs.clear_rgba));
            inputs.underlay = m_underlay;
            const int slot = video_slot(backdrop->video_number, pass.swap);
            DirectionInputs direction_inputs;
            direction_inputs.values = &pass.values;
            direction_inputs.slot = slot;
            direction_inputs.completion = pass.completion;
            direction_inputs.effect_type = scene.type;
            direction_inputs.final_frame = true;
            inputs.direction = object_direction(*backdrop, direction_inputs);
            inputs.pivot = object_pivot(*backdrop, direction_inputs, inputs.direction);
            inputs.light = m_state.light;
            inputs.shadow_plane = m_state.shadow_plane;
            backdrop_key(inputs, m_backdrop_next);
            reused =
                m_backdrop_kept && m_backdrop_next == m_backdrop_key && m_surface.restore_kept();
        }
        if (!reused) {
            m_surface.clear(m_clear.colour, m_clear.depth, m_clear.rgba);
        }
        m_backdrop_reused = reused;
    }

    bool first = true;
    for (const auto& item : scene.objects) {
        const Object& object = *item;
        const bool is_first = first;
        first = false;
        bool skip = is_first && (keep_colour || reused);
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
            if (is_first && backdrop == &object) {
                // Kept for the next frames; a surface that cannot keep
                // pictures leaves every frame to clear and draw.
                m_backdrop_kept = m_surface.keep();
                m_backdrop_key.swap(m_backdrop_next);
            }
            if (!is_first) {
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
