// Face and corner normals of the frame scene's objects.
#include <unordered_map>

#include "kaleidra/scene/evaluation.h"

namespace kdr {
namespace {

// At most this many polygons of one vertex take part in smoothing.
constexpr std::size_t max_polygons_per_vertex = 64;

Vec3 face_normal(const scene::Object& object, const scene::Polygon& polygon) {
    const Vec3& v0 = object.vertices[polygon.vertex[0]];
    const Vec3& v1 = object.vertices[polygon.vertex[1]];
    const Vec3& v2 = object.vertices[polygon.vertex[2]];
    // Front faces are clockwise: (v2 - v0) x (v1 - v0).
    const Vec3 a{v2[0] - v0[0], v2[1] - v0[1], v2[2] - v0[2]};
    const Vec3 b{v1[0] - v0[0], v1[1] - v0[1], v1[2] - v0[2]};
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float dot(const Vec3& a, const Vec3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

int corners_of(const scene::Polygon& polygon) {
    return polygon.corner_count < 4 ? polygon.corner_count : 4;
}

bool usable(const scene::Object& object, const scene::Polygon& polygon) {
    if (polygon.corner_count < 3) {
        return false;
    }
    for (int c = 0; c < corners_of(polygon); ++c) {
        if (polygon.vertex[c] >= object.vertices.size()) {
            return false;
        }
    }
    return true;
}

void smooth_object(scene::Object& object,
                   const std::unordered_map<std::uint16_t, bool>& smoothing) {
    // The polygons of each vertex (the first 64), as offsets into one array.
    const std::size_t vertex_count = object.vertices.size();
    std::vector<std::uint32_t> count(vertex_count + 1, 0);
    auto each_vertex = [&](std::size_t p, auto visit) {
        const scene::Polygon& polygon = object.polygons[p];
        for (int c = 0; c < corners_of(polygon); ++c) {
            // A vertex named twice by one polygon counts once.
            bool repeated = false;
            for (int earlier = 0; earlier < c; ++earlier) {
                repeated = repeated || polygon.vertex[earlier] == polygon.vertex[c];
            }
            if (!repeated) {
                visit(polygon.vertex[c]);
            }
        }
    };
    std::vector<bool> usable_polygon(object.polygons.size());
    for (std::size_t p = 0; p < object.polygons.size(); ++p) {
        usable_polygon[p] = usable(object, object.polygons[p]);
        if (usable_polygon[p]) {
            each_vertex(p, [&](std::uint16_t v) {
                if (count[v] < max_polygons_per_vertex) {
                    ++count[v];
                }
            });
        }
    }
    std::vector<std::uint32_t> first(vertex_count + 1, 0);
    for (std::size_t v = 0; v < vertex_count; ++v) {
        first[v + 1] = first[v] + count[v];
    }
    std::vector<std::uint32_t> members(first[vertex_count]);
    std::vector<std::uint32_t> filled(vertex_count, 0);
    for (std::size_t p = 0; p < object.polygons.size(); ++p) {
        if (usable_polygon[p]) {
            each_vertex(p, [&](std::uint16_t v) {
                if (filled[v] < count[v]) {
                    members[first[v] + filled[v]++] = static_cast<std::uint32_t>(p);
                }
            });
        }
    }

    for (std::size_t v = 0; v < vertex_count; ++v) {
        if (count[v] < 2) {
            continue;
        }
        for (std::uint32_t i = first[v]; i < first[v + 1]; ++i) {
            scene::Polygon& polygon = object.polygons[members[i]];
            auto surface = smoothing.find(polygon.surface_id);
            if (surface == smoothing.end() || !surface->second) {
                continue;
            }
            Vec3 sum{0, 0, 0};
            int agreeing = 0;
            for (std::uint32_t k = first[v]; k < first[v + 1]; ++k) {
                const Vec3& other = object.polygons[members[k]].face_normal;
                if (dot(polygon.face_normal, other) > 0) {
                    sum = {sum[0] + other[0], sum[1] + other[1], sum[2] + other[2]};
                    ++agreeing;
                }
            }
            if (agreeing < 2) {
                continue;
            }
            const float scale = 1.0f / static_cast<float>(agreeing);
            for (int c = 0; c < corners_of(polygon); ++c) {
                if (polygon.vertex[c] == v) {
                    polygon.corner_normal[c] = {sum[0] * scale, sum[1] * scale, sum[2] * scale};
                }
            }
        }
    }
}

}  // namespace

void compute_normals(Scene& scene, bool smooth) {
    std::unordered_map<std::uint16_t, bool> smoothing;
    for (const auto& surface : scene.surfaces) {
        smoothing.emplace(surface->id, surface->smooths());  // the first surface of each id
    }
    for (const auto& object : scene.objects) {
        for (scene::Polygon& polygon : object->polygons) {
            polygon.face_normal =
                usable(*object, polygon) ? face_normal(*object, polygon) : Vec3{0, 0, 0};
            for (Vec3& corner : polygon.corner_normal) {
                corner = polygon.face_normal;
            }
        }
        if (smooth) {
            smooth_object(*object, smoothing);
        }
    }
}

}  // namespace kdr
