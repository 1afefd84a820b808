#pragma once
// The drawing core shared, identical, by both engines: OpenGL setup once per
// prepare, and for each frame the evaluation of the scene at the frame's
// completion, every object drawn with its video or texture, material,
// transparency, luminosity, shine highlight and projected shadow, motion blur
// from several sub-frames, progress reports and aborts; and the schematic
// layout previews of the editors.
//
// One DrawingCore belongs to one render context and draws on that context's
// surface; all drawing state lives here, so two contexts may draw at once
// on two threads. The settings record is only read (envelopes change a
// per-frame copy of its values), so two contexts may share one. The caller
// makes the surface current before every call.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kaleidra/gl/accumulation.h"
#include "kaleidra/gl/surface.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/render/matrix.h"
#include "kaleidra/scene/evaluation.h"
#include "kaleidra/scene/scene.h"

namespace kdr::render {

struct BackdropInputs;

// The state of one drawing.
struct DrawState {
    Vector3 light{0, 20, 20};  // the shadow-casting light, recomputed every pass
    float shadow_plane = 0;    // z of the plane shadows fall onto
    int progress = 0;          // percent reported last
    int progress_step = 0;     // percent per drawn object
};

struct FrameOptions {
    // Rnd_Generic's blit: the image slot whose video may lie under the
    // picture in place of the scene's first object, or -1. The colour buffer
    // is then cleared to transparent and blended so that its alpha tells how
    // much of what lies beneath shows through (picture_output.h): the first
    // object's video when that object would be drawn whole and opaque (the
    // first object is then not drawn), else the background colour. With
    // blur every sub-frame is laid onto it before it is accumulated.
    int underlay_slot = -1;
};

// What lies under a picture drawn over a transparent background.
enum class Underlay { none, video, background };

class DrawingCore {
  public:
    // Where the core says what it could not do and went on without (a video
    // picture it could not upload); called on the drawing thread.
    using Report = std::function<void(const std::string& message)>;

    explicit DrawingCore(gl::Surface& surface, Report report = {});

    // Prepare-time setup, after the effect is loaded into `scene`: drawing
    // state, render style, quality hints, texture coordinates scaled to the
    // videos' power-of-two textures (the frame's slots get their texture
    // sizes), aspect, the user's envelopes and paths merged into `scene`,
    // light and shadow plane, projection and viewport.
    void prepare(Scene& scene, const EffectSettings& settings, FrameRecord& frame);

    // Draws one frame of `scene` (as prepared). True when the picture was
    // drawn; false when aborted or the frame scene could not be built. On
    // success picture() holds it.
    bool draw_frame(Scene& scene, const EffectSettings& settings, FrameRecord& frame,
                    const FrameOptions& options);

    // The last drawn picture: width x height pixels of blue, green, red,
    // alpha bytes, bottom row first. Valid until the next draw.
    std::uint8_t* picture() const { return m_picture; }

    // After a successful draw: what the picture must be laid onto.
    Underlay underlay() const { return m_underlay_used; }

    const DrawState& state() const { return m_state; }
    // True when the last frame gave back the picture its still first object
    // left in an earlier frame instead of clearing and drawing it again.
    bool backdrop_reused() const { return m_backdrop_reused; }
    // The completion of each pass of the last frame, in drawing order.
    const std::vector<float>& pass_completions() const { return m_pass_completions; }

  private:
    struct Pass;
    // The picture rows a frame delivers, counted from the top.
    struct Rows {
        std::uint32_t first = 0;
        std::uint32_t end = 0;
    };
    // What every pass of one frame draws from.
    struct PassInputs {
        Scene& scene;
        const EffectSettings& settings;
        FrameRecord& frame;
        bool layout = false;
    };
    // The first pass's clear: the still first object whose picture may be
    // kept, and whether a kept one was given back instead of clearing.
    struct BackdropUse {
        const scene::Object* backdrop = nullptr;
        bool reused = false;
    };

    // draw_frame in its steps (frame.cpp).
    void begin_frame(const FrameOptions& options, bool layout);
    Rows choose_rows(const FrameRecord& frame, bool layout);
    void plan_clear(const FrameRecord& frame, int blur_setting, bool layout);
    // The blur sub-frames this frame draws (0: none) and the progress step.
    int blur_passes(const Scene& scene, int blur_setting, float completion, bool layout);
    bool run_pass(const PassInputs& inputs, float completion);
    bool draw_unblurred(const PassInputs& inputs, float completion);
    bool draw_blurred(const PassInputs& inputs, const Rows& rows, int blur);
    void lay_sub_frame_under(std::uint8_t* picture, const FrameRecord& frame);

    // draw_pass in its steps (pass.cpp).
    bool draw_pass(const FrameScene& frame_scene, const EffectSettings& settings,
                   FrameRecord& frame, float completion);
    void set_view(const Pass& pass);
    void draw_camera_outline();
    void place_lights(const Pass& pass);
    void find_highlighted_video(Pass& pass);
    BackdropUse clear_or_give_back_backdrop(const Pass& pass, bool keep_colour);
    BackdropInputs backdrop_inputs(const Pass& pass, const scene::Object& backdrop) const;
    bool draw_objects(const Pass& pass, const BackdropUse& backdrop, bool keep_colour);

    void draw_object(const Pass& pass, const scene::Object& object, bool shine);
    bool lies_under(const Pass& pass, const scene::Object& object) const;
    void apply_material(const Pass& pass, const scene::Object& object,
                        const scene::Surface& surface, bool shine, bool& textured);
    bool bind_video(const Pass& pass, int slot);
    void draw_shadow(const Pass& pass, const scene::Object& object);
    void draw_path(const Pass& pass, const scene::Object& object);
    void light_and_shadow_plane(const Scene& scene, const FrameValues& values);
    void projection(const Scene& scene, std::uint32_t flags);
    void report_progress(const FrameRecord& frame);
    void blend_over();
    void blend_add();
    // Colours as the surface takes them (red and blue exchanged on surfaces
    // that keep them swapped).
    void colour(float r, float g, float b, float a);
    void material(GLenum name, const float* rgba);
    // Sets the colour later clears clear to, as given (red first).
    void clear_colour(const float* rgba);

    gl::Surface& m_surface;
    const gl::GlApi& m_gl;
    Report m_report;
    DrawState m_state;
    gl::Accumulator m_accumulator;
    std::vector<std::uint8_t> m_blurred;
    std::uint8_t* m_picture = nullptr;
    std::vector<float> m_pass_completions;

    // Video textures: one per depth (texture_names.h), defined at the
    // largest power-of-two size of the slots at prepare and refilled when a
    // surface shows another slot's picture than the texture holds.
    std::uint32_t m_video_texture_width = 1;
    std::uint32_t m_video_texture_height = 1;
    bool m_linear_filter = false;
    bool m_swap_red_blue = false;
    struct VideoTexture {
        int slot = -1;
        const std::uint8_t* pixels = nullptr;
        std::uint64_t frame = 0;
    };
    VideoTexture m_video_textures[2];  // the 3-byte and the 4-byte texture
    std::uint64_t m_frame_serial = 0;
    bool m_underlay = false;  // drawing over a transparent background
    int m_underlay_slot = -1;
    Underlay m_underlay_used = Underlay::none;
    bool m_pass_laid = false;  // this pass left the first object to the video beneath
    std::vector<std::uint8_t> m_scratch;
    float m_clear_rgba[4] = {0, 0, 0, 0};  // the clear colour as the surface takes it
    // The clear of the frame, made by its first pass.
    struct PendingClear {
        bool due = false;
        bool colour = false;
        bool depth = false;
        float rgba[4] = {0, 0, 0, 0};
    };
    PendingClear m_clear;
    // A still first object: what its kept picture was drawn from.
    bool m_backdrop_kept = false;
    bool m_backdrop_reused = false;
    std::vector<std::uint8_t> m_backdrop_key;
    std::vector<std::uint8_t> m_backdrop_next;
};

// Positions within the effect (before division by the total) of the blur
// sub-frames n = count down to 1 of the frame at `position`:
// (1 - d) + d n / count + position - 1 with d = percent / 100.
std::vector<double> blur_positions(int count, float percent, std::uint32_t position);

// The image slot of a video number (1-based; 0 = none gives -1), videos 1
// and 2 trading places when `trade_places` (kaleidra/scene/video_roles.h).
int video_slot(std::uint32_t video_number, bool trade_places);

// True when `slot` is an image slot in use (below the frame's slot count)
// that holds a picture.
bool slot_has_picture(const FrameRecord& frame, int slot);

}  // namespace kdr::render
