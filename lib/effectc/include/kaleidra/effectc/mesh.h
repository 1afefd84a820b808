#pragma once
// Meshes of effect objects and the builders that make them from a few named
// numbers ("quad width 4 height 3 cols 8 rows 6").
//
// Conventions every builder follows, because the engines rely on them:
// - The camera looks down -Z; a face seen from outside lists its corners
//   clockwise on screen (the engines treat clockwise faces as front faces
//   and cull the others unless the surface is two-sided).
// - Texture coordinates: s runs 0..1 from the picture's left edge to its
//   right edge, t runs 0..1 from its top edge to its bottom edge.
// - Grid builders (quad, sphere, cylinder, page, wave, twist, roll, fold)
//   share one lattice layout for the same cols and rows, so a shape made by
//   one can be the morph target of a shape made by another.

#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace kdr::effectc {

using Point = std::array<double, 3>;

struct MeshPolygon {
    int corner_count = 4;  // 3 or 4
    std::array<std::uint32_t, 4> vertex{};
    std::array<double, 4> s{};
    std::array<double, 4> t{};
    std::uint16_t surface = 0;
};

struct Mesh {
    std::vector<Point> vertices;
    std::vector<MeshPolygon> polygons;

    // Appends `other`, renumbering its vertex indices.
    void append(const Mesh& other);
};

class MeshError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One vertex transform of a mesh: "move x y z", "turn pitch heading bank"
// (degrees, applied like an object's rotation: bank, then pitch, then
// heading) or "scale x y z"; applied in the order written.
struct MeshTransform {
    enum class Kind { move, turn, scale } kind = Kind::move;
    Point value{};
};

struct MeshRequest {
    std::string kind;  // builder name
    std::map<std::string, double, std::less<>> values;
    std::vector<MeshTransform> transforms;
};

// Builds the mesh; `default_surface` is used where no surface is named.
// Throws MeshError for an unknown kind, an unknown or missing parameter or
// a value out of range.
Mesh build_mesh(const MeshRequest& request, std::uint16_t default_surface);

// The parameter names a builder takes, for messages and documentation;
// empty for an unknown kind.
std::vector<std::string> mesh_parameter_names(const std::string& kind);
std::vector<std::string> mesh_kinds();

// Applies a rotation as the engines do for an object (heading about Y,
// pitch about X, bank about Z, outermost first).
Point rotate_point(const Point& p, double pitch, double heading, double bank);

}  // namespace kdr::effectc
