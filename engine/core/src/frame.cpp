// Drawing one frame: the rows it delivers, its clear, progress, and its
// passes (one, or the blur sub-frames accumulated). pass.cpp draws a pass.

#include <algorithm>
#include <cstring>

#include "core_internal.h"
#include "kaleidra/records/frame_record.h"
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
    const bool layout = is_layout_preview(frame);
    const int blur_setting = blur_count_value(settings.globals[global_blur_count]);
    begin_frame(options, layout);
    if (layout) {
        // The editors change the user's paths between frames.
        if (const Scene* user = settings_scene(settings)) {
            merge_user_items(scene, *user);
        }
    }
    const Rows rows = choose_rows(frame, layout);
    plan_clear(frame, blur_setting, layout);

    m_state.progress = 0;
    report_progress(frame);

    const float completion = frame_completion(frame, settings);
    frame.completion = completion;
    const int blur = blur_passes(scene, blur_setting, completion, layout);
    const PassInputs inputs{scene, settings, frame, layout};
    const bool drawn =
        blur == 0 ? draw_unblurred(inputs, completion) : draw_blurred(inputs, rows, blur);
    if (!drawn) {
        return false;
    }
    m_state.progress = 100;
    report_progress(frame);
    return true;
}

void DrawingCore::begin_frame(const FrameOptions& options, bool layout) {
    m_underlay = options.underlay_slot >= 0 && !layout;
    m_underlay_slot = m_underlay ? options.underlay_slot : -1;
    m_underlay_used = m_underlay ? Underlay::background : Underlay::none;
    m_picture = nullptr;
    m_pass_completions.clear();
    ++m_frame_serial;
}

DrawingCore::Rows DrawingCore::choose_rows(const FrameRecord& frame, bool layout) {
    // The picture rows this frame delivers: all of them, or those one half
    // of the output is made from. The surface draws, clears and reads only
    // those, with the whole frame's projection, so a half's pixels are
    // exactly those of the whole frame.
    Rows rows{0, m_surface.height()};
    if (!layout) {
        picture_rows(m_surface.height(), frame.output.height, output_rows(frame.flags), rows.first,
                     rows.end);
    }
    m_surface.set_rows(rows.first, rows.end - rows.first);
    return rows;
}

void DrawingCore::plan_clear(const FrameRecord& frame, int blur_setting, bool layout) {
    // The clear is made by the first pass, which may give back a kept
    // backdrop instead (draw_pass).
    const gl::GlApi& gl = m_gl;
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
}

int DrawingCore::blur_passes(const Scene& scene, int blur_setting, float completion, bool layout) {
    int blur = blur_setting;
    if (!(completion > 0 && completion < 1) || layout) {
        blur = 0;
    }
    const int passes = std::max(blur, 1);
    m_state.progress_step =
        static_cast<int>(90 / (std::uint64_t(passes) * (std::uint64_t{scene.objects.size()} + 1)));
    return blur;
}

bool DrawingCore::run_pass(const PassInputs& inputs, float completion) {
    FrameSceneRequest request;
    request.scene = &inputs.scene;
    request.settings = &inputs.settings;
    request.frame = &inputs.frame;
    request.completion = completion;
    request.layout_preview = inputs.layout;
    FrameScene frame_scene = build_frame_scene(request);
    if (!frame_scene.scene) {
        return false;
    }
    m_state.progress += m_state.progress_step;
    report_progress(inputs.frame);
    m_pass_completions.push_back(completion);
    return draw_pass(frame_scene, inputs.settings, inputs.frame, completion);
}

bool DrawingCore::draw_unblurred(const PassInputs& inputs, float completion) {
    if (!run_pass(inputs, completion)) {
        return false;
    }
    m_picture = m_surface.finish_and_read();
    if (m_underlay) {
        m_underlay_used = m_pass_laid ? Underlay::video : Underlay::background;
    }
    return true;
}

bool DrawingCore::draw_blurred(const PassInputs& inputs, const Rows& rows, int blur) {
    const EffectSettings& settings = inputs.settings;
    FrameRecord& frame = inputs.frame;
    const std::uint32_t surface_height = m_surface.height();
    // Stored rows are counted from the bottom.
    m_accumulator.reset(m_surface.width(), surface_height, surface_height - rows.end,
                        rows.end - rows.first);
    const bool fly_on = flies_on(settings);
    for (double position :
         blur_positions(blur, settings.globals[global_blur_percent], frame.position)) {
        // The sub-frame's completion follows the same transition period as
        // the frame's own.
        const float completion = completion_at(position, frame.total, fly_on,
                                               settings.globals[global_transition_period]);
        if (!run_pass(inputs, completion)) {
            return false;
        }
        // Sub-frames draw over each other without clearing: the frame's own
        // position, drawn first, stays whole and the earlier ones fade behind
        // it. Over a transparent background each sub-frame is laid onto what
        // lies beneath before it is added.
        std::uint8_t* picture = m_surface.finish_and_read();
        if (m_underlay) {
            lay_sub_frame_under(picture, frame);
        }
        m_accumulator.add(picture);
    }
    m_blurred.resize(std::size_t{m_surface.width()} * surface_height * 4);
    m_accumulator.resolve(m_blurred.data());
    m_picture = m_blurred.data();
    m_underlay_used = Underlay::none;  // already laid under every sub-frame
    return true;
}

void DrawingCore::lay_sub_frame_under(std::uint8_t* picture, const FrameRecord& frame) {
    const std::uint32_t output_height = frame.output.height;
    const int rows = output_rows(frame.flags);
    if (!m_pass_laid ||
        !lay_under_video(picture, m_surface.width(), m_surface.height(),
                         frame.images[m_underlay_slot], output_height, rows, m_scratch)) {
        lay_under_colour(picture, m_surface.width(), m_surface.height(), frame.background,
                         output_height, rows);
    }
}

}  // namespace kdr::render
