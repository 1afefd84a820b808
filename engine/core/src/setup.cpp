// Prepare-time setup, the light and shadow plane, and the projection.

#include <algorithm>
#include <cmath>
#include <utility>

#include "core_internal.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/value_limits.h"
#include "texture_names.h"

namespace kdr::render {

namespace {

constexpr float degrees_to_radians = 0.017453292f;
// Every final frame is projected with this aspect, whatever the output size.
constexpr double frame_aspect = 1.3333;

const scene::Camera& first_camera(const Scene& scene) {
    static const scene::Camera fallback;  // read-only defaults for scenes without a camera
    return scene.cameras.empty() ? fallback : *scene.cameras.front();
}

}  // namespace

bool slot_has_picture(const FrameRecord& frame, int slot) {
    const int in_use =
        static_cast<int>(std::min<std::uint32_t>(frame.image_count, image_slot_count));
    return slot >= 0 && slot < in_use && image_has_pixels(frame.images[slot]);
}

int video_slot(std::uint32_t video_number, bool trade_places) {
    if (video_number == 0 || video_number > 0x7fffffff) {
        return -1;
    }
    return static_cast<int>(video_shown(video_number, trade_places)) - 1;
}

DrawingCore::DrawingCore(gl::Surface& surface, Report report)
    : m_surface(surface),
      m_gl(surface.gl()),
      m_report(std::move(report)),
      m_swap_red_blue(surface.swaps_red_blue()) {}

void DrawingCore::colour(float r, float g, float b, float a) {
    if (m_swap_red_blue) {
        m_gl.Color4f(b, g, r, a);
    } else {
        m_gl.Color4f(r, g, b, a);
    }
}

void DrawingCore::material(GLenum name, const float* rgba) {
    const GLfloat swapped[4] = {rgba[2], rgba[1], rgba[0], rgba[3]};
    m_gl.Materialfv(GL_FRONT_AND_BACK, name, m_swap_red_blue ? swapped : rgba);
}

void DrawingCore::clear_colour(const float* rgba) {
    if (m_swap_red_blue) {
        m_clear_rgba[0] = rgba[2];
        m_clear_rgba[2] = rgba[0];
    } else {
        m_clear_rgba[0] = rgba[0];
        m_clear_rgba[2] = rgba[2];
    }
    m_clear_rgba[1] = rgba[1];
    m_clear_rgba[3] = rgba[3];
    m_gl.ClearColor(m_clear_rgba[0], m_clear_rgba[1], m_clear_rgba[2], m_clear_rgba[3]);
}

void DrawingCore::light_and_shadow_plane(const Scene& scene, const FrameValues& values) {
    m_state.shadow_plane =
        scene.objects.empty() ? 0.02f : scene.objects.front()->motion.position[2] + 0.02f;
    m_state.light = {0, 20, 20};
    const float direction = values.globals[global_light_direction];
    if (direction > 0) {
        const float a = direction * degrees_to_radians;
        m_state.light.x = 20 * std::sin(a);
        m_state.light.y = 20 * std::cos(a);
    }
}

void DrawingCore::projection(const Scene& scene, std::uint32_t flags) {
    const GLfloat ambient[4] = {0.4f, 0.4f, 0.4f, 0};
    m_gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    m_gl.MatrixMode(GL_PROJECTION);
    m_gl.LoadIdentity();
    const bool layout = (flags & flag_layout_preview) != 0;
    const scene::Camera& camera = first_camera(scene);
    const double top =
        camera.near_distance * std::tan(camera.field_of_view * 0.5 * degrees_to_radians);
    const double right = frame_aspect * top;
    if (!layout || (flags & flag_preview_camera) != 0) {
        m_gl.Frustum(-right, right, -top, top, camera.near_distance,
                     std::fabs(m_state.shadow_plane) + 5);
    } else if ((flags & flag_preview_perspective) != 0) {
        m_gl.Frustum(-right, right, -top, top, camera.near_distance, 30);
    } else if ((flags & flag_preview_side) != 0) {
        // Seen from the right: world z runs across, from the camera at the
        // left edge to behind the origin.
        m_gl.Ortho(-4, 5, -4, 4, -5, 5);
    } else if ((flags & flag_preview_top) != 0) {
        // Seen from above: world z runs up the picture, the camera at the
        // bottom edge.
        m_gl.Ortho(-5, 5, -4, 5, -4, 4);
    }
    m_gl.MatrixMode(GL_MODELVIEW);
}

void DrawingCore::prepare(Scene& scene, const EffectSettings& settings, FrameRecord& frame) {
    const gl::GlApi& gl = m_gl;
    const bool layout = is_layout_preview(frame);
    const std::uint32_t width = m_surface.width();
    const std::uint32_t height = m_surface.height();

    gl.Enable(GL_DEPTH_TEST);
    gl.DepthFunc(GL_LEQUAL);
    gl.DepthMask(GL_TRUE);
    gl.FrontFace(GL_CW);
    gl.CullFace(GL_BACK);
    gl.Disable(GL_CULL_FACE);
    gl.Enable(GL_NORMALIZE);
    gl.LightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    gl.Enable(GL_TEXTURE_2D);
    gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    clear_colour(frame.background);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    if (layout) {
        gl.PolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        gl.ShadeModel(GL_FLAT);
        gl.Enable(GL_LINE_STIPPLE);
        gl.Disable(GL_BLEND);
        gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
        gl.Disable(GL_LIGHTING);
        gl.Disable(GL_TEXTURE_2D);
    } else {
        gl.Disable(GL_LINE_STIPPLE);
        const int style = render_style_value(settings.globals[global_render_style]);
        gl.PolygonMode(GL_FRONT_AND_BACK, style == 2 ? GL_LINE : GL_FILL);
        gl.ShadeModel(style == 0 ? GL_SMOOTH : GL_FLAT);
        const bool best = settings.globals[global_render_quality] != 0;
        gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, best ? GL_NICEST : GL_FASTEST);
        gl.LightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, best ? GL_TRUE : GL_FALSE);
        if (settings.globals[global_lighting] == 1) {
            gl.Enable(GL_LIGHTING);
        } else {
            gl.Disable(GL_LIGHTING);
        }
    }

    m_linear_filter = settings.globals[global_image_quality] != 0;
    m_video_texture_width = 1;
    m_video_texture_height = 1;
    m_video_textures[0] = {};
    m_video_textures[1] = {};
    if (!layout) {
        // Every slot gets the largest power-of-two size among them, so one
        // texture per depth serves every video and texture coordinates
        // scale by the slot's own ratios.
        const int in_use =
            static_cast<int>(std::min<std::uint32_t>(frame.image_count, image_slot_count));
        for (int i = 0; i < in_use; ++i) {
            image_prepare_texture(frame.images[i]);
            m_video_texture_width = std::max(m_video_texture_width, frame.images[i].texture_width);
            m_video_texture_height =
                std::max(m_video_texture_height, frame.images[i].texture_height);
        }
        for (int i = 0; i < in_use; ++i) {
            ImageRecord& image = frame.images[i];
            image.texture_width = m_video_texture_width;
            image.texture_height = m_video_texture_height;
            image.width_ratio = float(image.width) / float(m_video_texture_width);
            image.height_ratio = float(image.height) / float(m_video_texture_height);
        }
        const GLuint video_names[video_texture_count] = {video_texture_3_bytes,
                                                         video_texture_4_bytes};
        gl.DeleteTextures(video_texture_count, video_names);

        const bool trade = videos_trade_places(scene, settings);
        for (auto& object : scene.objects) {
            for (scene::Polygon& polygon : object->polygons) {
                const scene::Surface* surface = scene.find_surface(polygon.surface_id);
                if (surface == nullptr) {
                    continue;
                }
                const int corners = std::min<int>(polygon.corner_count, 4);
                if (surface->source_kind == source_video) {
                    const int slot = video_slot(surface->video_number, trade);
                    if (slot < 0 || slot >= image_slot_count) {
                        continue;
                    }
                    const ImageRecord& image = frame.images[slot];
                    for (int c = 0; c < corners; ++c) {
                        polygon.s[c] *= image.width_ratio;
                        polygon.t[c] = image.row_order == row_order_top_down
                                           ? polygon.t[c] * image.height_ratio
                                           : (1 - polygon.t[c]) * image.height_ratio;
                    }
                } else if (surface->source_kind == source_texture) {
                    for (int c = 0; c < corners; ++c) {
                        polygon.t[c] = 1 - polygon.t[c];
                    }
                }
            }
        }
    }

    frame_set_aspect(frame);
    if (const Scene* user = settings_scene(settings)) {
        merge_user_items(scene, *user);
    }
    light_and_shadow_plane(scene, FrameValues::from(settings));
    projection(scene, frame.flags);
    if (width != 0 && height != 0) {
        gl.Viewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    }
}

}  // namespace kdr::render
