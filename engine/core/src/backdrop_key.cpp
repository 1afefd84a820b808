#include "backdrop_key.h"

#include <cstring>
#include <type_traits>

#include "kaleidra/scene/scene.h"

namespace kdr::render {

namespace {

class KeyWriter {
  public:
    explicit KeyWriter(std::vector<std::uint8_t>& bytes) : m_bytes(bytes) { m_bytes.clear(); }

    template <class T>
    void add(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto* start = reinterpret_cast<const std::uint8_t*>(&value);
        m_bytes.insert(m_bytes.end(), start, start + sizeof(T));
    }
    void add_bytes(const std::vector<std::uint8_t>& bytes) {
        add(static_cast<std::uint64_t>(bytes.size()));
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    // The placement of a motion, without its key's time and spline values.
    void add_motion(const MotionState& m) {
        add(m.position);
        add(m.pitch);
        add(m.heading);
        add(m.bank);
        add(m.scale);
    }

  private:
    std::vector<std::uint8_t>& m_bytes;
};

}  // namespace

bool backdrop_candidate(const Scene& scene, const scene::Object& object) {
    if (object.polygons.empty() || object.vertices.empty()) {
        return false;
    }
    for (const scene::Polygon& polygon : object.polygons) {
        const scene::Surface* surface = scene.find_surface(polygon.surface_id);
        if (surface != nullptr && surface->source_kind != source_colour &&
            surface->source_kind != source_texture) {
            return false;
        }
    }
    return true;
}

void backdrop_key(const BackdropInputs& in, std::vector<std::uint8_t>& key) {
    KeyWriter w(key);
    w.add(in.flags);
    w.add(in.first_row);
    w.add(in.row_count);
    w.add(in.clear_colour);
    w.add(in.clear_depth);
    w.add(in.clear_rgba);
    w.add(in.underlay);
    w.add(in.values->globals);
    w.add(in.values->video_values);
    w.add(in.direction.turn);
    w.add(in.direction.follow);
    w.add(in.pivot);
    w.add(in.light);
    w.add(in.shadow_plane);
    if (!in.scene->cameras.empty()) {
        const scene::Camera& camera = *in.scene->cameras.front();
        w.add_motion(camera.motion);
        w.add(camera.field_of_view);
        w.add(camera.near_distance);
    }

    const scene::Object& object = *in.object;
    w.add(object.id);
    w.add(object.video_number);
    w.add(object.own_transparency);
    w.add(object.flags);
    w.add(object.pivot);
    w.add(static_cast<std::uint64_t>(object.vertices.size()));
    for (const Vec3& v : object.vertices) {
        w.add(v);
    }
    w.add(static_cast<std::uint64_t>(object.polygons.size()));
    std::vector<std::uint16_t> surfaces;
    for (const scene::Polygon& p : object.polygons) {
        w.add(p.corner_count);
        w.add(p.vertex);
        w.add(p.s);
        w.add(p.t);
        w.add(p.face_normal);
        w.add(p.corner_normal);
        w.add(p.surface_id);
        if (surfaces.empty() || surfaces.back() != p.surface_id) {
            surfaces.push_back(p.surface_id);
        }
    }
    int depth = 0;
    for (const scene::Object* item = &object; item != nullptr && depth < max_parent_depth;
         item = item->parent, ++depth) {
        w.add_motion(item->motion);
    }
    for (std::uint16_t id : surfaces) {
        const scene::Surface* surface = in.scene->find_surface(id);
        w.add(id);
        if (surface != nullptr) {
            w.add(surface->source_kind);
            w.add(surface->video_number);
            w.add(surface->diffuse);
            w.add(surface->two_sided);
            w.add(surface->texture_index);
            w.add_bytes(surface->write_chunk());
        }
    }
}

}  // namespace kdr::render
