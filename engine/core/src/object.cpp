// Drawing one object: material, texture, polygons, and its shadow.

#include <algorithm>
#include <string>

#include "core_internal.h"
#include "kaleidra/gl/texture_upload.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/render/object_transform.h"
#include "kaleidra/scene/value_limits.h"
#include "texture_names.h"

namespace kdr::render {

namespace {

const GLfloat no_colour[4] = {0, 0, 0, 0};
// OpenGL's own material defaults for specular and emission.
const GLfloat default_dark[4] = {0, 0, 0, 1};

float object_transparency(const scene::Object& object, const FrameValues& values, int slot) {
    float p = 0;
    if (object.video_number != 0) {
        p = values.video(slot, video_transparency) * 0.01f;
    }
    if (p == 0) {
        p = object.own_transparency;
    }
    return std::clamp(p, 0.0f, 1.0f);
}

DirectionInputs direction_inputs(const FrameValues& values, int slot, float completion,
                                 std::uint32_t type, bool layout) {
    DirectionInputs inputs;
    inputs.values = &values;
    inputs.slot = slot;
    inputs.completion = completion;
    inputs.effect_type = type;
    inputs.final_frame = !layout;
    return inputs;
}

// While the filter runs, the objects of this slot are drawn.
bool shows_filter_source(const FrameValues& values, int slot) {
    const int source = filter_source_value(values.globals[global_filter_source]);
    return source >= 0 && slot == source;
}

bool valid_polygon(const scene::Polygon& polygon, std::size_t vertex_count) {
    if (polygon.corner_count != 3 && polygon.corner_count != 4) {
        return false;
    }
    for (int c = 0; c < polygon.corner_count; ++c) {
        if (polygon.vertex[c] >= vertex_count) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool DrawingCore::lies_under(const Pass& pass, const scene::Object& object) const {
    // The blit stands for the first object only when that object would be
    // drawn as its whole video: it shows the laid-under slot, is not faded
    // by any transparency, and the filter does not leave it out.
    const int slot = video_slot(object.video_number, pass.trade_places);
    if (slot != m_underlay_slot || !slot_has_picture(pass.frame, slot) || object.vertices.empty()) {
        return false;
    }
    if (object_transparency(object, pass.values, slot) != 0) {
        return false;
    }
    return pass.values.globals[global_filter_frames] == 0 || shows_filter_source(pass.values, slot);
}

bool DrawingCore::bind_video(const Pass& pass, int slot) {
    const ImageRecord& image = pass.frame.images[slot];
    if (image.bytes_per_pixel != 3 && image.bytes_per_pixel != 4) {
        return false;
    }
    const GLuint name = video_texture_name(image.bytes_per_pixel);
    VideoTexture& held = m_video_textures[video_texture_index(name)];
    if (held.slot == slot && held.pixels == image.buffer && held.frame == m_frame_serial &&
        m_gl.IsTexture(name)) {
        m_gl.BindTexture(GL_TEXTURE_2D, name);
        return true;
    }
    held = {};
    if (!gl::upload_texture(m_gl, name, image, m_video_texture_width, m_video_texture_height,
                            m_linear_filter, m_swap_red_blue)) {
        // The surface is drawn untextured.
        if (m_report) {
            m_report("the picture of video " + std::to_string(slot + 1) + " (" +
                     std::to_string(image.width) + " x " + std::to_string(image.height) + ", " +
                     std::to_string(image.bytes_per_pixel) +
                     " bytes a pixel) could not be uploaded as a texture; its surfaces are drawn "
                     "without it");
        }
        return false;
    }
    held = {slot, image.buffer, m_frame_serial};
    return true;
}

void DrawingCore::apply_material(const Pass& pass, const scene::Object& object,
                                 const scene::Surface& surface, bool shine, bool& textured) {
    const gl::GlApi& gl = m_gl;
    const int slot = video_slot(object.video_number, pass.trade_places);
    const float p = object_transparency(object, pass.values, slot);
    Colour diffuse = surface.diffuse;
    if (p > 0) {
        diffuse[3] = 1 - p;
    }
    const bool kind_textured =
        surface.source_kind == source_video || surface.source_kind == source_texture;
    if (shine) {
        material(GL_AMBIENT_AND_DIFFUSE, no_colour);
    } else {
        material(GL_AMBIENT_AND_DIFFUSE, diffuse.data());
        if (!(pass.values.globals[global_lighting] > 0)) {
            // Without lighting a picture shows as it is, faded by the
            // transparency like any other surface.
            if (kind_textured) {
                colour(1, 1, 1, diffuse[3]);
            } else {
                colour(diffuse[0], diffuse[1], diffuse[2], diffuse[3]);
            }
        }
    }
    if (surface.two_sided != 0) {
        gl.Disable(GL_CULL_FACE);
    } else {
        gl.Enable(GL_CULL_FACE);
    }

    // Emission and specular are set for every surface, so that neither the
    // glow of a luminous object nor the highlight of the shine pass carries
    // over to surfaces drawn after it.
    const float luminosity =
        object.video_number != 0 ? pass.values.video(slot, video_luminosity) * 0.01f : 0.0f;
    if (!shine) {
        material(GL_SPECULAR, default_dark);
        if (luminosity != 0) {
            const GLfloat emission[4] = {luminosity, luminosity, luminosity, diffuse[3]};
            material(GL_EMISSION, emission);
        } else {
            material(GL_EMISSION, default_dark);
        }
    } else {
        material(GL_EMISSION, default_dark);
        const float s = std::max(0.0f, pass.values.video(slot, video_shine) * 0.01f - p);
        if (s != 0) {
            const GLfloat specular[4] = {s, s, s, 1 - p};
            material(GL_SPECULAR, specular);
            gl.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, 40 * s + 88);
        } else {
            material(GL_SPECULAR, default_dark);
        }
    }

    textured = false;
    if (surface.source_kind == source_colour || shine) {
        // untextured
    } else if (surface.source_kind == source_texture) {
        const int index = surface.texture_index;
        if (index >= 0 && static_cast<std::size_t>(index) < pass.scene.textures.size() &&
            image_has_pixels(pass.scene.textures[index]) &&
            gl.IsTexture(scene_texture_name(static_cast<std::size_t>(index)))) {
            gl.BindTexture(GL_TEXTURE_2D, scene_texture_name(static_cast<std::size_t>(index)));
            textured = true;
        }
    } else {
        const int surface_slot = video_slot(surface.video_number, pass.trade_places);
        textured = slot_has_picture(pass.frame, surface_slot) && bind_video(pass, surface_slot);
    }
    if (textured) {
        gl.Enable(GL_TEXTURE_2D);
    } else {
        gl.Disable(GL_TEXTURE_2D);
    }
}

void DrawingCore::draw_object(const Pass& pass, const scene::Object& object, bool shine) {
    const gl::GlApi& gl = m_gl;
    const bool final_frame = !pass.layout;
    if (final_frame && (object.vertices.empty() || object.own_transparency == 1)) {
        return;
    }
    const int slot = video_slot(object.video_number, pass.trade_places);
    const float lighting = pass.values.globals[global_lighting];
    if (shine && !(pass.values.video(slot, video_shine) != 0 && lighting != 0 &&
                   pass.completion >= 0.03f && pass.completion <= 0.97f)) {
        return;
    }
    if (final_frame && object.video_number != 0 && !slot_has_picture(pass.frame, slot)) {
        return;
    }
    if (pass.values.globals[global_filter_frames] != 0 && object.video_number != 0 &&
        !shows_filter_source(pass.values, slot)) {
        return;
    }

    const DirectionInputs inputs =
        direction_inputs(pass.values, slot, pass.completion, pass.scene.type, pass.layout);
    const Direction direction = object_direction(object, inputs);
    const Vector3 pivot = object_pivot(object, inputs, direction);

    gl.PushMatrix();
    GlTransformSink sink{gl};
    apply_object_transform(sink, object, direction);

    if (pass.layout) {
        const bool key = object.id == pass.frame.highlighted_id ||
                         (pass.key_video != 0 && object.video_number == pass.key_video);
        if (key) {
            colour(1, 1, 0, 1);
        } else {
            colour(0.3f, 0.3f, 0.3f, 1);
        }
        if (object.vertices.empty() && object.id != filter_marker_id) {
            gl.Begin(GL_LINES);
            gl.Vertex3f(-0.5f, 0, 0);
            gl.Vertex3f(0.5f, 0, 0);
            gl.Vertex3f(0, -0.5f, 0);
            gl.Vertex3f(0, 0.5f, 0);
            gl.Vertex3f(0, 0, -0.5f);
            gl.Vertex3f(0, 0, 0.5f);
            gl.End();
        }
    }

    const scene::Surface* surface = nullptr;
    bool have_surface = false;
    std::uint16_t surface_id = 0;
    bool textured = false;
    for (const scene::Polygon& polygon : object.polygons) {
        if (!valid_polygon(polygon, object.vertices.size())) {
            continue;
        }
        if (final_frame && (!have_surface || polygon.surface_id != surface_id)) {
            have_surface = true;
            surface_id = polygon.surface_id;
            surface = pass.scene.find_surface(surface_id);
            if (surface != nullptr) {
                apply_material(pass, object, *surface, shine, textured);
            } else {
                textured = false;
                gl.Disable(GL_TEXTURE_2D);
            }
        }
        gl.Begin(pass.layout ? GL_LINE_LOOP : polygon.corner_count == 3 ? GL_TRIANGLES : GL_QUADS);
        for (int c = 0; c < polygon.corner_count; ++c) {
            if (final_frame) {
                if (textured) {
                    gl.TexCoord2f(polygon.s[c], polygon.t[c]);
                }
                const Vec3& n = polygon.corner_normal[c];
                gl.Normal3f(n[0], n[1], n[2]);
            }
            const Vec3& v = object.vertices[polygon.vertex[c]];
            gl.Vertex3f(v[0] - pivot.x, v[1] - pivot.y, v[2] - pivot.z);
        }
        gl.End();
    }
    gl.PopMatrix();

    if (final_frame && !shine && lighting > 0 && pass.values.globals[global_shadows] > 0 &&
        object.casts_shadow()) {
        gl.Disable(GL_TEXTURE_2D);
        gl.DepthFunc(GL_LESS);
        draw_shadow(pass, object);
        gl.DepthFunc(GL_LEQUAL);
    }
}

void DrawingCore::draw_shadow(const Pass& pass, const scene::Object& object) {
    const gl::GlApi& gl = m_gl;
    const int slot = video_slot(object.video_number, pass.trade_places);
    const float p = object_transparency(object, pass.values, slot);
    const float k = pass.values.globals[global_shadows] * 0.01f * (1 - p);
    const GLfloat shade[4] = {0, 0, 0, k};
    material(GL_SPECULAR, no_colour);
    material(GL_EMISSION, no_colour);
    material(GL_AMBIENT_AND_DIFFUSE, shade);

    const DirectionInputs inputs =
        direction_inputs(pass.values, slot, pass.completion, pass.scene.type, pass.layout);
    const Direction direction = object_direction(object, inputs);
    const Vector3 pivot = object_pivot(object, inputs, direction);
    Matrix model = Matrix::identity();
    apply_object_transform(model, object, direction);

    const Vector3 light = m_state.light;
    const float plane = m_state.shadow_plane;
    Vector3 corners[4];
    for (const scene::Polygon& polygon : object.polygons) {
        if (!valid_polygon(polygon, object.vertices.size())) {
            continue;
        }
        // A corner level with or above the light casts no shadow onto the
        // plane below it; such polygons are left out.
        bool below_light = true;
        for (int c = 0; c < polygon.corner_count; ++c) {
            const Vec3& v = object.vertices[polygon.vertex[c]];
            corners[c] = model.transform_point({v[0] - pivot.x, v[1] - pivot.y, v[2] - pivot.z});
            below_light = below_light && corners[c].z - light.z < 0;
        }
        if (!below_light) {
            continue;
        }
        gl.Begin(GL_POLYGON);
        for (int c = 0; c < polygon.corner_count; ++c) {
            const Vector3& w = corners[c];
            const float t = (plane - light.z) / (w.z - light.z);
            gl.Vertex3f(light.x + t * (w.x - light.x), light.y + t * (w.y - light.y), plane);
        }
        gl.End();
    }
}

}  // namespace kdr::render
