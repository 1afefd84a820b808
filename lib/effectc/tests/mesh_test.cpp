#include "kaleidra/effectc/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kdr::effectc {
namespace {

Point sub(const Point& a, const Point& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Point& a, const Point& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
double length(const Point& a) {
    return std::sqrt(dot(a, a));
}

// The normal the engines compute: (v2 - v0) x (v1 - v0) of the first three
// corners, pointing out of the front face of a clockwise polygon.
Point face_normal(const Mesh& mesh, const MeshPolygon& polygon) {
    const Point& v0 = mesh.vertices[polygon.vertex[0]];
    const Point& v1 = mesh.vertices[polygon.vertex[1]];
    const Point& v2 = mesh.vertices[polygon.vertex[2]];
    return cross(sub(v2, v0), sub(v1, v0));
}

Point centroid(const Mesh& mesh, const MeshPolygon& polygon) {
    Point c{0, 0, 0};
    for (int i = 0; i < polygon.corner_count; ++i) {
        for (int k = 0; k < 3; ++k) {
            c[k] += mesh.vertices[polygon.vertex[i]][k] / polygon.corner_count;
        }
    }
    return c;
}

Mesh make(const std::string& kind, std::map<std::string, double, std::less<>> values,
          std::vector<MeshTransform> transforms = {}) {
    MeshRequest request{kind, std::move(values), std::move(transforms)};
    return build_mesh(request, 7);
}

struct FacingCase {
    const char* name;
    Mesh mesh;
    double expected_z_sign;  // every face normal's z has this sign
};

TEST(Mesh, FlatBuildersFaceTheCameraAndBackSidesFaceAway) {
    const FacingCase cases[] = {
        {"quad", make("quad", {{"width", 4}, {"height", 3}, {"cols", 3}, {"rows", 2}}), 1},
        {"quad back 1", make("quad", {{"width", 4}, {"height", 3}, {"back", 1}}), -1},
        {"quad back 2", make("quad", {{"width", 4}, {"height", 3}, {"back", 2}}), -1},
        {"tile",
         make("tile",
              {{"width", 4}, {"height", 3}, {"cols", 4}, {"rows", 3}, {"col", 1}, {"row", 2}}),
         1},
        {"tile part 1",
         make("tile", {{"width", 4},
                       {"height", 3},
                       {"cols", 4},
                       {"rows", 3},
                       {"col", 1},
                       {"row", 2},
                       {"part", 1}}),
         1},
        {"tile part 2",
         make("tile", {{"width", 4},
                       {"height", 3},
                       {"cols", 4},
                       {"rows", 3},
                       {"col", 1},
                       {"row", 2},
                       {"part", 2}}),
         1},
        {"wave", make("wave", {{"width", 4}, {"height", 3}, {"amplitude", 0.1}}), 1},
        {"twist", make("twist", {{"width", 4}, {"height", 3}, {"angle", 60}}), 1},
        {"page flat", make("page", {{"width", 4}, {"height", 3}}), 1},
        {"page turned over", make("page", {{"width", 4}, {"height", 3}, {"angle", 180}}), -1},
        {"fold", make("fold", {{"width", 4}, {"height", 3}, {"angle", 30}}), 1},
    };
    for (const FacingCase& c : cases) {
        ASSERT_FALSE(c.mesh.polygons.empty()) << c.name;
        for (const MeshPolygon& polygon : c.mesh.polygons) {
            Point n = face_normal(c.mesh, polygon);
            EXPECT_GT(n[2] * c.expected_z_sign, 0.0) << c.name;
            EXPECT_EQ(polygon.surface, 7) << c.name;
        }
    }
}

TEST(Mesh, ClosedShapesFaceOutward) {
    const Mesh shapes[] = {
        make("sphere", {{"radius", 1}, {"cols", 12}, {"rows", 8}}),
        make("cylinder", {{"radius", 1}, {"height", 2}, {"cols", 12}, {"rows", 2}}),
        make("box", {{"width", 4}, {"height", 3}, {"depth", 2}}),
        make("box", {{"width", 4}, {"height", 3}, {"depth", 2}, {"back_axis", 1}}),
    };
    for (const Mesh& mesh : shapes) {
        for (const MeshPolygon& polygon : mesh.polygons) {
            Point n = face_normal(mesh, polygon);
            // Including the rows that meet at a pole: never a zero normal.
            EXPECT_GT(length(n), 1e-9);
            EXPECT_GT(dot(n, centroid(mesh, polygon)), 0.0);
        }
    }
}

TEST(Mesh, QuadMapsThePictureUprightAcrossTheFrame) {
    Mesh quad = make("quad", {{"width", 4}, {"height", 3}, {"cols", 2}, {"rows", 2}});
    ASSERT_EQ(quad.vertices.size(), 9u);
    for (const MeshPolygon& polygon : quad.polygons) {
        for (int c = 0; c < 4; ++c) {
            const Point& v = quad.vertices[polygon.vertex[c]];
            EXPECT_NEAR(polygon.s[c], (v[0] + 2) / 4, 1e-12);
            EXPECT_NEAR(polygon.t[c], (1.5 - v[1]) / 3, 1e-12);
        }
    }
}

TEST(Mesh, BackSidesReadCorrectlyAfterTheirHalfTurn) {
    // Turned by heading 180, the back quad's left screen edge shows s = 0;
    // turned by pitch 180, the back quad of axis 2 shows t = 0 at the top.
    Mesh heading_back = make("quad", {{"width", 4}, {"height", 3}, {"back", 1}});
    Mesh pitch_back = make("quad", {{"width", 4}, {"height", 3}, {"back", 2}});
    for (const MeshPolygon& polygon : heading_back.polygons) {
        for (int c = 0; c < 4; ++c) {
            Point screen = rotate_point(heading_back.vertices[polygon.vertex[c]], 0, 180, 0);
            EXPECT_NEAR(polygon.s[c], (screen[0] + 2) / 4, 1e-9);
            EXPECT_NEAR(polygon.t[c], (1.5 - screen[1]) / 3, 1e-9);
        }
    }
    for (const MeshPolygon& polygon : pitch_back.polygons) {
        for (int c = 0; c < 4; ++c) {
            Point screen = rotate_point(pitch_back.vertices[polygon.vertex[c]], 180, 0, 0);
            EXPECT_NEAR(polygon.s[c], (screen[0] + 2) / 4, 1e-9);
            EXPECT_NEAR(polygon.t[c], (1.5 - screen[1]) / 3, 1e-9);
        }
    }
}

TEST(Mesh, BoxSidesReadUprightOnceTurnedToTheFront) {
    // Each side face, turned to face the camera, maps s left to right and t
    // top to bottom like the front face does.
    struct Side {
        const char* face;
        double pitch, heading;
    };
    const Side sides[] = {
        {"right", 0, -90}, {"left", 0, 90}, {"top", 90, 0}, {"bottom", -90, 0}, {"back", 0, 180}};
    for (const Side& side : sides) {
        std::map<std::string, double, std::less<>> values{
            {"width", 4}, {"height", 4}, {"depth", 4}, {"front", 0}, {"back", 0},
            {"left", 0},  {"right", 0},  {"top", 0},   {"bottom", 0}};
        values[side.face] = 9;
        Mesh box = make("box", values);
        ASSERT_EQ(box.polygons.size(), 1u) << side.face;
        const MeshPolygon& polygon = box.polygons[0];
        for (int c = 0; c < 4; ++c) {
            Point screen =
                rotate_point(box.vertices[polygon.vertex[c]], side.pitch, side.heading, 0);
            EXPECT_NEAR(screen[2], 2, 1e-9) << side.face;
            EXPECT_NEAR(polygon.s[c], (screen[0] + 2) / 4, 1e-9) << side.face;
            EXPECT_NEAR(polygon.t[c], (2 - screen[1]) / 4, 1e-9) << side.face;
        }
    }
}

TEST(Mesh, GridBuildersShareOneLatticeForMorphing) {
    const char* kinds[] = {"quad", "wave", "twist", "page", "fold"};
    for (const char* kind : kinds) {
        Mesh mesh = make(kind, {{"width", 4}, {"height", 3}, {"cols", 6}, {"rows", 4}});
        EXPECT_EQ(mesh.vertices.size(), 35u) << kind;
        EXPECT_EQ(mesh.polygons.size(), 24u) << kind;
    }
    Mesh sphere = make("sphere", {{"radius", 1}, {"cols", 6}, {"rows", 4}});
    Mesh roll =
        make("roll", {{"width", 4}, {"height", 3}, {"cols", 6}, {"rows", 4}, {"radius", 0.3}});
    EXPECT_EQ(sphere.vertices.size(), 35u);
    EXPECT_EQ(roll.vertices.size(), 35u);
    // Same lattice, same texture coordinates: a target only moves vertices.
    Mesh quad = make("quad", {{"width", 4}, {"height", 3}, {"cols", 6}, {"rows", 4}});
    for (std::size_t i = 0; i < quad.polygons.size(); ++i) {
        EXPECT_EQ(quad.polygons[i].vertex, sphere.polygons[i].vertex);
        EXPECT_EQ(quad.polygons[i].s, sphere.polygons[i].s);
        EXPECT_EQ(quad.polygons[i].t, sphere.polygons[i].t);
    }
}

TEST(Mesh, PagesAndRollsKeepThePaperLength) {
    // Neighbouring vertices along a row of a page, and along a column of a
    // roll, stay one cell apart however far the sheet is turned or rolled.
    for (double angle : {0.0, 45.0, 90.0, 135.0, 180.0}) {
        Mesh page = make("page", {{"width", 4},
                                  {"height", 3},
                                  {"cols", 8},
                                  {"rows", 2},
                                  {"angle", angle},
                                  {"curl", 40}});
        for (int i = 0; i < 8; ++i) {
            EXPECT_NEAR(length(sub(page.vertices[i + 1], page.vertices[i])), 0.5, 0.01) << angle;
        }
        EXPECT_NEAR(page.vertices[0][0], -2, 1e-12);  // the spine stays
    }
    Mesh flipped = make("page", {{"width", 4}, {"height", 3}, {"angle", 180}});
    EXPECT_NEAR(flipped.vertices[16][0], -6, 1e-9);  // the free edge lies left of the spine
    for (double amount : {0.0, 0.3, 0.7, 1.0}) {
        Mesh roll = make("roll", {{"width", 4},
                                  {"height", 3},
                                  {"cols", 1},
                                  {"rows", 30},
                                  {"amount", amount},
                                  {"radius", 0.25},
                                  {"spacing", 0.02}});
        for (int j = 0; j < 30; ++j) {
            double step = length(sub(roll.vertices[(j + 1) * 2], roll.vertices[j * 2]));
            EXPECT_NEAR(step, 0.1, 0.01) << amount << " row " << j;
        }
    }
}

TEST(Mesh, ClampedTwistsFlipACardRowByRow) {
    // Before the flip every row lies flat, after it every row is turned over,
    // and halfway the bottom has turned further than the top.
    auto stage = [](double base) {
        return make("twist", {{"width", 4},
                              {"height", 3},
                              {"cols", 2},
                              {"rows", 2},
                              {"angle", 180},
                              {"base", base},
                              {"low", 0},
                              {"high", 180}});
    };
    Mesh before = stage(-90), after = stage(270), middle = stage(90);
    Mesh flat = make("quad", {{"width", 4}, {"height", 3}, {"cols", 2}, {"rows", 2}});
    for (std::size_t i = 0; i < flat.vertices.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(before.vertices[i][k], flat.vertices[i][k], 1e-9);
        }
        EXPECT_NEAR(after.vertices[i][0], -flat.vertices[i][0], 1e-9);
        EXPECT_NEAR(after.vertices[i][2], 0, 1e-9);
    }
    // Row 0 (top) at 0 degrees, row 2 (bottom) at 180: the right corners.
    EXPECT_NEAR(middle.vertices[2][0], 2, 1e-9);
    EXPECT_NEAR(middle.vertices[8][0], -2, 1e-9);
}

TEST(Mesh, PeelsKeepThePaperLengthAndFoldFlatOverThePage) {
    // Along a row with the fold line upright (angle 0), neighbouring vertices
    // stay one cell apart whether they lie flat, on the curl or folded back.
    for (double distance : {2.5, 1.0, 0.0, -1.0, -3.0}) {
        Mesh peel = make("peel", {{"width", 4},
                                  {"height", 3},
                                  {"cols", 40},
                                  {"rows", 1},
                                  {"angle", 0},
                                  {"distance", distance},
                                  {"radius", 0.2}});
        for (int i = 0; i < 40; ++i) {
            EXPECT_NEAR(length(sub(peel.vertices[i + 1], peel.vertices[i])), 0.1, 0.01)
                << distance << " at " << i;
        }
    }
    // Folded all the way, the right edge lies mirrored across the line, on
    // top (two radii toward the viewer), and faces away.
    Mesh folded = make("peel", {{"width", 4},
                                {"height", 3},
                                {"cols", 4},
                                {"rows", 1},
                                {"angle", 0},
                                {"distance", -2},
                                {"radius", 0.25}});
    EXPECT_NEAR(folded.vertices[4][0], -6 + std::numbers::pi * 0.25, 1e-9);
    EXPECT_NEAR(folded.vertices[4][2], 0.5, 1e-9);
    EXPECT_LT(face_normal(folded, folded.polygons[3])[2], 0);
}

TEST(Mesh, TransformsApplyInTheOrderWritten) {
    Mesh moved_then_turned =
        make("quad", {{"width", 2}, {"height", 2}},
             {{MeshTransform::Kind::move, {0, 0, 1}}, {MeshTransform::Kind::turn, {0, 90, 0}}});
    Mesh turned_then_moved =
        make("quad", {{"width", 2}, {"height", 2}},
             {{MeshTransform::Kind::turn, {0, 90, 0}}, {MeshTransform::Kind::move, {0, 0, 1}}});
    // The centre of the first ends at +X, of the second at +Z.
    Point a = centroid(moved_then_turned, moved_then_turned.polygons[0]);
    Point b = centroid(turned_then_moved, turned_then_moved.polygons[0]);
    EXPECT_NEAR(a[0], 1, 1e-9);
    EXPECT_NEAR(a[2], 0, 1e-9);
    EXPECT_NEAR(b[0], 0, 1e-9);
    EXPECT_NEAR(b[2], 1, 1e-9);
}

TEST(Mesh, RotationMatchesTheObjectTransformOrder) {
    // Bank first, then pitch, then heading.
    Point p = rotate_point({1, 0, 0}, 0, 0, 90);
    EXPECT_NEAR(p[1], 1, 1e-12);
    p = rotate_point({0, 1, 0}, 90, 0, 0);
    EXPECT_NEAR(p[2], 1, 1e-12);
    p = rotate_point({0, 0, 1}, 0, 90, 0);
    EXPECT_NEAR(p[0], 1, 1e-12);
    p = rotate_point({1, 0, 0}, 90, 90, 90);  // bank: +Y; pitch: +Z; heading: +X
    EXPECT_NEAR(p[0], 1, 1e-12);
}

TEST(Mesh, MeshesAppendWithRenumberedVertices) {
    Mesh a = make("quad", {{"width", 1}, {"height", 1}});
    Mesh b = make("quad", {{"width", 1}, {"height", 1}});
    a.append(b);
    ASSERT_EQ(a.vertices.size(), 8u);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(a.polygons[1].vertex[c], b.polygons[0].vertex[c] + 4);
    }
}

}  // namespace
}  // namespace kdr::effectc
