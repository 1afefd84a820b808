#include <algorithm>
#include <cmath>
#include <cstddef>

#include "byte_io.h"
#include "kaleidra/scene/items.h"

namespace kdr::scene {

using scene_io::ByteReader;
using scene_io::ByteWriter;

namespace {

// The polygon keeps the in-memory layout the drawing code was written for.
static_assert(sizeof(Polygon) == 108);
static_assert(offsetof(Polygon, vertex) == 2);
static_assert(offsetof(Polygon, s) == 12);
static_assert(offsetof(Polygon, t) == 28);
static_assert(offsetof(Polygon, face_normal) == 44);
static_assert(offsetof(Polygon, corner_normal) == 56);
static_assert(offsetof(Polygon, surface_id) == 104);

// Bytes of one stored polygon: corner count, surface id, and per corner a
// vertex index and the texture coordinates.
constexpr std::size_t polygon_bytes(std::size_t corners) {
    return 4 + 10 * corners;
}
constexpr std::size_t largest_polygon_bytes = polygon_bytes(4);
// Everything after the polygons: motion state, morph position, four flags,
// pivot, own transparency, video number, morph target count, next morph
// target id and morph target flag.
constexpr std::size_t object_trailer_size = 56 + 4 + 8 + 12 + 4 + 4 + 4 + 2 + 2;

std::uint16_t stored_corner_count(const Polygon& polygon) {
    return polygon.corner_count <= 3 ? 3 : 4;
}

}  // namespace

std::unique_ptr<SceneItem> Object::clone() const {
    return std::make_unique<Object>(*this);
}

chunks::ChunkId Object::chunk_id() const {
    return chunks::make_id("OBJ0");
}

bool Object::read_chunk(const std::uint8_t* data, std::uint32_t length) {
    ByteReader in(data, length, item_header_size);
    const std::uint32_t vertex_count = in.u32();
    if (!in.ok() || vertex_count > max_vertices || !in.holds(vertex_count, 12)) {
        return false;
    }
    std::vector<Vec3> read_vertices(vertex_count);
    for (Vec3& vertex : read_vertices) {
        vertex = {in.f32(), in.f32(), in.f32()};
    }
    const std::uint32_t polygon_count = in.u32();
    if (!in.ok() || polygon_count > max_polygons || !in.holds(polygon_count, polygon_bytes(3))) {
        return false;
    }
    std::vector<Polygon> read_polygons(polygon_count);
    for (Polygon& polygon : read_polygons) {
        polygon.corner_count = in.u16();
        polygon.surface_id = in.u16();
        if (polygon.corner_count != 3 && polygon.corner_count != 4) {
            return false;
        }
        for (int c = 0; c < polygon.corner_count; ++c) {
            polygon.vertex[c] = in.u16();
            polygon.s[c] = in.f32();
            polygon.t[c] = in.f32();
            if (polygon.vertex[c] >= vertex_count) {
                return false;
            }
        }
        if (!in.ok()) {
            return false;
        }
    }
    MotionState read_motion_state = scene_io::read_motion(in);
    const float read_morph_position = in.f32();
    std::array<std::uint16_t, 4> read_flags;
    for (std::uint16_t& flag : read_flags) {
        flag = in.u16();
    }
    const Vec3 read_pivot{in.f32(), in.f32(), in.f32()};
    const float read_transparency = in.f32();
    const std::uint32_t read_video = in.u32();
    const std::uint32_t read_target_count = in.u32();
    const std::uint16_t read_next_target = in.u16();
    const std::uint16_t read_target_flag = in.u16();
    if (!in.ok()) {
        return false;
    }
    // The tail that writers pad with (10 bytes per triangle) is not needed.
    vertices = std::move(read_vertices);
    polygons = std::move(read_polygons);
    motion = read_motion_state;
    morph_position = read_morph_position;
    flags = read_flags;
    pivot = read_pivot;
    own_transparency = read_transparency;
    video_number = read_video;
    morph_target_count = read_target_count;
    next_morph_target_id = read_next_target;
    morph_target_flag = read_target_flag;
    return true;
}

std::uint32_t Object::stored_size() const {
    return static_cast<std::uint32_t>(item_header_size + 4 + 12 * vertices.size() + 4 +
                                      largest_polygon_bytes * polygons.size() +
                                      object_trailer_size);
}

std::vector<std::uint8_t> Object::write_chunk() const {
    // Room is kept as if every polygon were a quad; the bytes triangles do
    // not use go at the end as zeros.
    std::vector<std::uint8_t> chunk(item_header_size);
    chunk.reserve(stored_size());
    write_header(chunk.data());
    ByteWriter out(chunk);
    out.u32(static_cast<std::uint32_t>(vertices.size()));
    for (const Vec3& vertex : vertices) {
        out.f32(vertex[0]);
        out.f32(vertex[1]);
        out.f32(vertex[2]);
    }
    out.u32(static_cast<std::uint32_t>(polygons.size()));
    std::size_t unused = 0;
    for (const Polygon& polygon : polygons) {
        const std::uint16_t corners = stored_corner_count(polygon);
        out.u16(corners);
        out.u16(polygon.surface_id);
        for (int c = 0; c < corners; ++c) {
            out.u16(polygon.vertex[c]);
            out.f32(polygon.s[c]);
            out.f32(polygon.t[c]);
        }
        unused += largest_polygon_bytes - polygon_bytes(corners);
    }
    scene_io::write_motion(out, motion);
    out.f32(morph_position);
    for (std::uint16_t flag : flags) {
        out.u16(flag);
    }
    out.f32(pivot[0]);
    out.f32(pivot[1]);
    out.f32(pivot[2]);
    out.f32(own_transparency);
    out.u32(video_number);
    out.u32(morph_target_count);
    out.u16(next_morph_target_id);
    out.u16(morph_target_flag);
    out.zeros(unused);
    return chunk;
}

void Object::set_parameter(int number, float value) {
    // A NaN from a broken envelope counts as the lower end.
    auto clamp = [](float v, float high) { return v >= 0 ? std::min(v, high) : 0.0f; };
    if (number == 0) {
        own_transparency = clamp(value, 1.0f);
    } else if (number == 1) {
        morph_position = clamp(value, static_cast<float>(morph_target_count));
    }
}

bool Object::differs(const SceneItem& other) const {
    const auto& b = static_cast<const Object&>(other);
    if (header_differs(b) || next_morph_target_id != b.next_morph_target_id ||
        morph_target_flag != b.morph_target_flag || morph_target_count != b.morph_target_count ||
        vertices != b.vertices || polygons.size() != b.polygons.size() ||
        motion_differs(motion, b.motion) || morph_position != b.morph_position ||
        flags != b.flags || pivot != b.pivot || own_transparency != b.own_transparency ||
        video_number != b.video_number) {
        return true;
    }
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        const Polygon& p = polygons[i];
        const Polygon& q = b.polygons[i];
        if (p.corner_count != q.corner_count || p.surface_id != q.surface_id) {
            return true;
        }
        const int corners = std::min<int>(p.corner_count, 4);
        for (int c = 0; c < corners; ++c) {
            if (p.vertex[c] != q.vertex[c] || p.s[c] != q.s[c] || p.t[c] != q.t[c]) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace kdr::scene
