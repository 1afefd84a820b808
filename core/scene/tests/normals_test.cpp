// Flat and smoothed normals of the frame scene.
#include <gtest/gtest.h>

#include <cmath>

#include "kaleidra/scene/evaluation.h"
#include "scene_builders.h"

namespace kdr {
namespace {

void add_surface(Scene& scene, std::uint16_t id, float smoothing) {
    auto& surface = *scene.surfaces.emplace_back(std::make_unique<scene::Surface>());
    surface.id = id;
    surface.frame_offset_or_smoothing = smoothing;
}

scene::Polygon triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t surface) {
    scene::Polygon polygon;
    polygon.corner_count = 3;
    polygon.vertex = {a, b, c, 0};
    polygon.surface_id = surface;
    return polygon;
}

// Two triangles folded along the edge from vertex 0 to vertex 1: face
// normals (0, 0, -1) and (0, 1, -1); a third triangle on vertex 0 faces the
// other way, (0, 0, 1).
scene::Object& add_fold(Scene& scene, std::uint16_t second_surface) {
    scene::Object& object = test::add_object(scene, 1);
    object.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, -1}, {-1, 0, 0}};
    object.polygons = {triangle(0, 1, 2, 1), triangle(0, 3, 1, second_surface),
                       triangle(0, 4, 2, 1)};
    return object;
}

TEST(Normals, FlatNormalIsTheFaceNormalAtEveryCorner) {
    Scene scene;
    add_surface(scene, 1, 1);
    scene::Object& object = add_fold(scene, 1);
    compute_normals(scene, false);
    EXPECT_EQ(object.polygons[0].face_normal, (Vec3{0, 0, -1}));
    EXPECT_EQ(object.polygons[1].face_normal, (Vec3{0, 1, -1}));
    EXPECT_EQ(object.polygons[2].face_normal, (Vec3{0, 0, 1}));
    for (const scene::Polygon& polygon : object.polygons) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(polygon.corner_normal[c], polygon.face_normal);
        }
    }
}

TEST(Normals, SmoothCornersAverageTheFacesThatPointTheirWay) {
    Scene scene;
    add_surface(scene, 1, 1);
    scene::Object& object = add_fold(scene, 1);
    compute_normals(scene, true);
    const scene::Polygon& a = object.polygons[0];
    const scene::Polygon& b = object.polygons[1];
    // Vertex 0: faces a and b agree, the third points away.
    EXPECT_EQ(a.corner_normal[0], (Vec3{0, 0.5f, -1}));
    EXPECT_EQ(b.corner_normal[0], (Vec3{0, 0.5f, -1}));
    // Vertex 1 is shared by a and b only.
    EXPECT_EQ(a.corner_normal[1], (Vec3{0, 0.5f, -1}));
    EXPECT_EQ(b.corner_normal[2], (Vec3{0, 0.5f, -1}));
    // Vertex 3 belongs to b alone.
    EXPECT_EQ(b.corner_normal[1], (Vec3{0, 1, -1}));
    // The third face has no agreeing neighbour at vertex 0, nor at vertex
    // 2, which it shares with a.
    EXPECT_EQ(object.polygons[2].corner_normal[0], (Vec3{0, 0, 1}));
    EXPECT_EQ(object.polygons[2].corner_normal[2], (Vec3{0, 0, 1}));
    EXPECT_EQ(a.corner_normal[2], (Vec3{0, 0, -1}));
}

TEST(Normals, OnlySmoothingSurfacesAreSmoothed) {
    Scene scene;
    add_surface(scene, 1, 1);
    add_surface(scene, 2, 0);
    scene::Object& object = add_fold(scene, 2);
    compute_normals(scene, true);
    EXPECT_EQ(object.polygons[0].corner_normal[0], (Vec3{0, 0.5f, -1}));
    EXPECT_EQ(object.polygons[1].corner_normal[0], (Vec3{0, 1, -1}));
}

TEST(Normals, AtMost64PolygonsOfAVertexTakePart) {
    // A fan of 70 slightly tilted triangles around vertex 0.
    Scene scene;
    add_surface(scene, 1, 1);
    scene::Object& object = test::add_object(scene, 1);
    object.vertices.push_back({0, 0, 0});
    for (int k = 0; k <= 70; ++k) {
        const float angle = static_cast<float>(k) * 0.05f;
        object.vertices.push_back(
            {std::cos(angle), std::sin(angle), 0.01f * static_cast<float>(k)});
    }
    for (std::uint16_t k = 0; k < 70; ++k) {
        object.polygons.push_back(
            triangle(0, static_cast<std::uint16_t>(k + 2), static_cast<std::uint16_t>(k + 1), 1));
    }
    compute_normals(scene, true);
    // Every face points the way of every other, so all would take part.
    for (const scene::Polygon& p : object.polygons) {
        for (const scene::Polygon& q : object.polygons) {
            ASSERT_GT(p.face_normal[0] * q.face_normal[0] + p.face_normal[1] * q.face_normal[1] +
                          p.face_normal[2] * q.face_normal[2],
                      0);
        }
    }
    auto average = [&](std::size_t count) {
        Vec3 sum{0, 0, 0};
        for (std::size_t p = 0; p < count; ++p) {
            for (int axis = 0; axis < 3; ++axis) {
                sum[axis] += object.polygons[p].face_normal[axis];
            }
        }
        return Vec3{sum[0] / count, sum[1] / count, sum[2] / count};
    };
    const Vec3 first64 = average(64);
    const Vec3 all70 = average(70);
    // The fan is built so that leaving out its last six faces shows.
    ASSERT_GT(std::fabs(first64[0] - all70[0]) + std::fabs(first64[1] - all70[1]), 1e-4f);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(object.polygons[0].corner_normal[0][axis], first64[axis], 1e-5f);
        EXPECT_NEAR(object.polygons[63].corner_normal[0][axis], first64[axis], 1e-5f);
    }
    EXPECT_EQ(object.polygons[69].corner_normal[0], object.polygons[69].face_normal);
}

TEST(Normals, PolygonsNamingMissingVerticesAreSkipped) {
    Scene scene;
    scene::Object& object = test::add_object(scene, 1);
    object.vertices = {{0, 0, 0}, {1, 0, 0}};
    object.polygons = {triangle(0, 1, 7, 0)};
    compute_normals(scene, true);
    EXPECT_EQ(object.polygons[0].face_normal, (Vec3{0, 0, 0}));
}

}  // namespace
}  // namespace kdr
