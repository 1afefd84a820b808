#include "scene_kit.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"

namespace kdr::test {

namespace {

template <class T>
T& append(std::vector<std::unique_ptr<T>>& list, std::uint16_t id) {
    auto item = std::make_unique<T>();
    item->id = id;
    item->start = 0;
    item->end = 1;
    list.push_back(std::move(item));
    return *list.back();
}

scene::Polygon polygon(std::uint16_t surface, std::initializer_list<std::uint16_t> corners,
                       std::initializer_list<float> s, std::initializer_list<float> t) {
    scene::Polygon p;
    p.corner_count = static_cast<std::uint16_t>(corners.size());
    p.surface_id = surface;
    std::copy(corners.begin(), corners.end(), p.vertex.begin());
    std::copy(s.begin(), s.end(), p.s.begin());
    std::copy(t.begin(), t.end(), p.t.begin());
    return p;
}

}  // namespace

float framing_field_of_view() {
    return 2.0f * std::atan(1.5f / 4.0f) * 180.0f / 3.14159265358979f;
}

SceneBuilder::SceneBuilder() = default;

SceneBuilder& SceneBuilder::type(std::uint32_t type) {
    m_scene.type = type;
    return *this;
}

scene::Camera& SceneBuilder::camera(float x, float y, float z) {
    scene::Camera& camera = append(m_scene.cameras, 1);
    camera.motion.position[0] = x;
    camera.motion.position[1] = y;
    camera.motion.position[2] = z;
    camera.field_of_view = framing_field_of_view();
    camera.near_distance = 0.5f;
    camera.far_distance = 100;
    return camera;
}

scene::Surface& SceneBuilder::video_surface(std::uint16_t id, std::uint16_t video_number) {
    scene::Surface& surface = append(m_scene.surfaces, id);
    surface.source_kind = source_video;
    surface.video_number = video_number;
    surface.diffuse = {1, 1, 1, 1};
    return surface;
}

scene::Surface& SceneBuilder::colour_surface(std::uint16_t id, float r, float g, float b, float a) {
    scene::Surface& surface = append(m_scene.surfaces, id);
    surface.source_kind = source_colour;
    surface.diffuse = {r, g, b, a};
    return surface;
}

scene::Surface& SceneBuilder::texture_surface(std::uint16_t id, const std::string& texture_name) {
    scene::Surface& surface = append(m_scene.surfaces, id);
    surface.source_kind = source_texture;
    surface.diffuse = {1, 1, 1, 1};
    std::strncpy(surface.name.data(), texture_name.c_str(), surface.name.size() - 1);
    return surface;
}

scene::Object& SceneBuilder::quad(std::uint16_t id, std::uint16_t surface_id, float width,
                                  float height, std::uint32_t video_number) {
    scene::Object& object = append(m_scene.objects, id);
    const float w = width / 2;
    const float h = height / 2;
    object.vertices = {{-w, h, 0}, {w, h, 0}, {w, -h, 0}, {-w, -h, 0}};
    object.polygons.push_back(polygon(surface_id, {0, 1, 2, 3}, {0, 1, 1, 0}, {0, 0, 1, 1}));
    object.video_number = video_number;
    return object;
}

scene::Object& SceneBuilder::grid(std::uint16_t id, std::uint16_t surface_id, float width,
                                  float height, int columns, int rows, std::uint32_t video_number) {
    scene::Object& object = append(m_scene.objects, id);
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            object.vertices.push_back(
                {width * (float(i) / columns - 0.5f), height * (0.5f - float(j) / rows), 0});
        }
    }
    auto at = [columns](int i, int j) { return static_cast<std::uint16_t>(j * (columns + 1) + i); };
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            const float s0 = float(i) / columns;
            const float s1 = float(i + 1) / columns;
            const float t0 = float(j) / rows;
            const float t1 = float(j + 1) / rows;
            object.polygons.push_back(
                polygon(surface_id, {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)},
                        {s0, s1, s1, s0}, {t0, t0, t1, t1}));
        }
    }
    object.video_number = video_number;
    return object;
}

scene::Object& SceneBuilder::video_quad(std::uint16_t id, std::uint16_t surface_id,
                                        std::uint32_t video_number) {
    return quad(id, surface_id, 4, 3, video_number);
}

scene::Object& SceneBuilder::box(std::uint16_t id, std::uint16_t surface_id, float size) {
    scene::Object& object = append(m_scene.objects, id);
    const float e = size / 2;
    // Corners: 0..3 the front face (z = +e) clockwise from top-left as seen
    // from +Z, 4..7 the back face (z = -e) in the same screen order.
    object.vertices = {{-e, e, e},  {e, e, e},  {e, -e, e},  {-e, -e, e},
                       {-e, e, -e}, {e, e, -e}, {e, -e, -e}, {-e, -e, -e}};
    const std::initializer_list<float> s = {0, 1, 1, 0};
    const std::initializer_list<float> t = {0, 0, 1, 1};
    object.polygons = {
        polygon(surface_id, {0, 1, 2, 3}, s, t),  // front, seen from +Z
        polygon(surface_id, {5, 4, 7, 6}, s, t),  // back, seen from -Z
        polygon(surface_id, {4, 5, 1, 0}, s, t),  // top, seen from +Y
        polygon(surface_id, {3, 2, 6, 7}, s, t),  // bottom, seen from -Y
        polygon(surface_id, {1, 5, 6, 2}, s, t),  // right, seen from +X
        polygon(surface_id, {4, 0, 3, 7}, s, t),  // left, seen from -X
    };
    return object;
}

scene::Object& SceneBuilder::cylinder(std::uint16_t id, std::uint16_t surface_id, float radius,
                                      float height, int sides) {
    scene::Object& object = append(m_scene.objects, id);
    const float h = height / 2;
    const auto n = static_cast<std::uint16_t>(sides);
    for (int i = 0; i < sides; ++i) {
        const float a = 2 * 3.14159265f * float(i) / float(sides);
        object.vertices.push_back({radius * std::sin(a), h, radius * std::cos(a)});
    }
    for (int i = 0; i < sides; ++i) {
        const float a = 2 * 3.14159265f * float(i) / float(sides);
        object.vertices.push_back({radius * std::sin(a), -h, radius * std::cos(a)});
    }
    const auto top = static_cast<std::uint16_t>(2 * n);
    const auto bottom = static_cast<std::uint16_t>(2 * n + 1);
    object.vertices.push_back({0, h, 0});
    object.vertices.push_back({0, -h, 0});
    for (std::uint16_t i = 0; i < n; ++i) {
        const auto next = static_cast<std::uint16_t>((i + 1) % n);
        // Side faces clockwise as seen from outside, ends likewise.
        object.polygons.push_back(polygon(
            surface_id,
            {i, next, static_cast<std::uint16_t>(n + next), static_cast<std::uint16_t>(n + i)},
            {0, 1, 1, 0}, {0, 0, 1, 1}));
        object.polygons.push_back(polygon(surface_id, {top, next, i}, {0, 0, 0}, {0, 0, 0}));
        object.polygons.push_back(polygon(
            surface_id,
            {bottom, static_cast<std::uint16_t>(n + i), static_cast<std::uint16_t>(n + next)},
            {0, 0, 0}, {0, 0, 0}));
    }
    return object;
}

scene::Object& SceneBuilder::marker(std::uint16_t id, float x, float y, float z) {
    scene::Object& object = append(m_scene.objects, id);
    object.motion.position[0] = x;
    object.motion.position[1] = y;
    object.motion.position[2] = z;
    return object;
}

scene::Path& SceneBuilder::path(std::uint16_t id, std::int16_t link,
                                const std::vector<PathKey>& keys) {
    scene::Path& path = append(m_scene.paths, id);
    path.link_id = link;
    path.keys = keys;
    return path;
}

scene::Envelope& SceneBuilder::envelope(std::uint16_t id, std::int16_t link,
                                        std::uint16_t parameter,
                                        const std::vector<EnvelopeKey>& keys) {
    scene::Envelope& envelope = append(m_scene.envelopes, id);
    envelope.link_id = link;
    envelope.parameter = parameter;
    envelope.keys = keys;
    return envelope;
}

bool SceneBuilder::write(const std::filesystem::path& file, const std::string& name) const {
    using chunks::make_id;
    auto stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file, make_id("KDRE"));
    const std::uint32_t type = m_scene.type;
    const std::uint32_t videos = 2;
    stream.write_chunk(make_id("ETYP"), 4, &type);
    stream.write_chunk(make_id("VCNT"), 4, &videos);
    stream.write_chunk(make_id("ENAM"), static_cast<std::uint32_t>(name.size() + 1), name.c_str());
    m_scene.write_items(stream);
    return stream.status() == chunks::ready && stream.close() == chunks::ready;
}

PathKey path_key(float time, float x, float y, float z, float heading, float pitch, float bank,
                 bool linear) {
    PathKey key;
    key.time = time;
    key.position[0] = x;
    key.position[1] = y;
    key.position[2] = z;
    key.heading = heading;
    key.pitch = pitch;
    key.bank = bank;
    key.linear = linear ? 1 : 0;
    return key;
}

EnvelopeKey envelope_key(float time, float value, bool linear) {
    EnvelopeKey key;
    key.time = time;
    key.value = value;
    key.linear = linear ? 1 : 0;
    return key;
}

bool Installation::add_effect(const std::string& name, const SceneBuilder& scene) const {
    return scene.write(path() / "EFFECTS" / (name + ".KDR"), name);
}

bool Installation::add_texture(const std::string& name, const ImageRecord& image) const {
    return write_image_file(image, path() / "Textures" / (name + ".KDT")).ok();
}

bool Installation::add_video_over_backdrop(const std::string& name) const {
    SceneBuilder s;
    s.type(1).camera();
    s.colour_surface(12, 0.1f, 0.1f, 0.1f);
    s.quad(100, 12, 6, 4.5f).motion.position[2] = -1;
    s.video_surface(10, 1);
    s.video_quad(101, 10, 1);
    return add_effect(name, s);
}

bool Installation::add_fallback_effect() const {
    SceneBuilder builder;
    builder.type(1).camera();
    builder.video_surface(10, 1);
    builder.video_surface(11, 2);
    builder.video_quad(100, 10, 1);
    scene::Object& inset = builder.quad(101, 11, 2, 1.5f, 2);
    inset.motion.position[2] = 0.5f;
    return add_effect("Ballsplt", builder);
}

TestPicture::TestPicture(std::uint8_t format, std::uint32_t width, std::uint32_t height,
                         std::uint8_t row_order) {
    image_construct(image);
    image_set_shape(image, {format, static_cast<std::uint8_t>(image_has_alpha(format) ? 4 : 3), 4,
                            row_order, width, height});
    pixels.assign(image.size, 0);
    image.buffer = pixels.data();
    fill(0);
}

void TestPicture::fill(std::uint8_t value) {
    std::fill(pixels.begin(), pixels.end(), value);
    if (image_has_alpha(image.format)) {
        for (std::uint32_t y = 0; y < image.height; ++y) {
            for (std::uint32_t x = 0; x < image.width; ++x) {
                set(x, y, value, value, value);
            }
        }
    }
}

namespace {

struct Offsets {
    int r, g, b, a;
};

Offsets offsets_of(std::uint8_t format) {
    switch (format) {
        case format_rgb:
            return {0, 1, 2, -1};
        case format_bgr:
            return {2, 1, 0, -1};
        case format_rgba:
            return {0, 1, 2, 3};
        case format_bgra:
            return {2, 1, 0, 3};
        case format_abgr:
            return {3, 2, 1, 0};
        default:
            return {1, 2, 3, 0};  // argb
    }
}

}  // namespace

void TestPicture::set(std::uint32_t x, std::uint32_t y, std::uint8_t r, std::uint8_t g,
                      std::uint8_t b) {
    std::uint8_t* p = image_pixel(image, x, y);
    const Offsets o = offsets_of(image.format);
    p[o.r] = r;
    p[o.g] = g;
    p[o.b] = b;
    if (o.a >= 0) {
        p[o.a] = 255;
    }
}

void TestPicture::get(std::uint32_t x, std::uint32_t y, std::uint8_t& r, std::uint8_t& g,
                      std::uint8_t& b) const {
    const std::uint8_t* p = image_pixel(image, x, y);
    const Offsets o = offsets_of(image.format);
    r = p[o.r];
    g = p[o.g];
    b = p[o.b];
}

void paint_video_a(TestPicture& picture) {
    const std::uint32_t w = picture.image.width;
    const std::uint32_t h = picture.image.height;
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            auto r = static_cast<std::uint8_t>(40 + 200 * x / std::max(1u, w - 1));
            auto g = static_cast<std::uint8_t>(30 + 150 * y / std::max(1u, h - 1));
            std::uint8_t b = 90;
            if (y < h / 8) {
                r = 250, g = 250, b = 40;  // a yellow band along the top
            } else if (x < w / 10) {
                r = 20, g = 20, b = 200;  // a blue band down the left side
            }
            picture.set(x, y, r, g, b);
        }
    }
}

void paint_video_b(TestPicture& picture) {
    const std::uint32_t w = picture.image.width;
    const std::uint32_t h = picture.image.height;
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            auto r = static_cast<std::uint8_t>(60 + 100 * y / std::max(1u, h - 1));
            std::uint8_t g = 170;
            auto b = static_cast<std::uint8_t>(230 - 180 * x / std::max(1u, w - 1));
            if ((x / std::max(1u, w / 8)) % 2 == 0 && y > h * 3 / 4) {
                r = 240, g = 60, b = 60;  // red blocks along the bottom
            }
            picture.set(x, y, r, g, b);
        }
    }
}

}  // namespace kdr::test
