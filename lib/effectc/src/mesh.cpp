#include "kaleidra/effectc/mesh.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

namespace kdr::effectc {

void Mesh::append(const Mesh& other) {
    auto base = static_cast<std::uint32_t>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (MeshPolygon polygon : other.polygons) {
        for (int c = 0; c < polygon.corner_count; ++c) {
            polygon.vertex[c] += base;
        }
        polygons.push_back(polygon);
    }
}

namespace {

constexpr double radians_per_degree = std::numbers::pi / 180.0;

// The parameters of one builder: every name it accepts, and the value a
// missing one takes (NaN: the parameter must be given).
struct ParameterRule {
    const char* name;
    double default_value;
};
constexpr double required = std::numeric_limits<double>::quiet_NaN();

class Parameters {
  public:
    Parameters(const MeshRequest& request, const std::vector<ParameterRule>& rules,
               std::uint16_t default_surface)
        : m_kind(request.kind) {
        for (const auto& [name, value] : request.values) {
            bool known = false;
            for (const ParameterRule& rule : rules) {
                known = known || name == rule.name;
            }
            if (!known && name != "surface") {
                std::string list;
                for (const ParameterRule& rule : rules) {
                    list += std::string(list.empty() ? "" : ", ") + rule.name;
                }
                throw MeshError("mesh " + m_kind + " has no parameter \"" + name + "\" (it takes " +
                                list + ", surface)");
            }
        }
        for (const ParameterRule& rule : rules) {
            auto found = request.values.find(rule.name);
            if (found != request.values.end()) {
                m_values[rule.name] = found->second;
            } else if (std::isnan(rule.default_value)) {
                throw MeshError("mesh " + m_kind + " needs \"" + rule.name + "\"");
            } else {
                m_values[rule.name] = rule.default_value;
            }
        }
        auto surface = request.values.find("surface");
        double id = surface != request.values.end() ? surface->second : default_surface;
        m_surface = to_id(id, "surface");
    }

    double operator[](const char* name) const { return m_values.at(name); }

    double positive(const char* name) const {
        double value = m_values.at(name);
        if (!(value > 0)) {
            throw MeshError("mesh " + m_kind + ": " + name + " must be greater than 0");
        }
        return value;
    }

    int count(const char* name, int low, int high) const {
        double value = m_values.at(name);
        if (value != std::floor(value) || value < low || value > high) {
            throw MeshError("mesh " + m_kind + ": " + name + " must be a whole number from " +
                            std::to_string(low) + " to " + std::to_string(high));
        }
        return static_cast<int>(value);
    }

    std::uint16_t surface_id(const char* name) const { return to_id(m_values.at(name), name); }

    // The surface of faces that name none.
    std::uint16_t surface() const {
        if (m_surface == 0) {
            throw MeshError("mesh " + m_kind +
                            " has no surface: name one (\"surface 3\") or give "
                            "the object a surface");
        }
        return m_surface;
    }
    const std::string& kind() const { return m_kind; }

  private:
    std::uint16_t to_id(double value, const char* name) const {
        if (value != std::floor(value) || value < 0 || value > 65535) {
            throw MeshError("mesh " + m_kind + ": " + name + " must be a surface id");
        }
        return static_cast<std::uint16_t>(value);
    }

    std::string m_kind;
    std::map<std::string, double, std::less<>> m_values;
    std::uint16_t m_surface = 0;
};

struct TextureWindow {
    double s0 = 0, s1 = 1, t0 = 0, t1 = 1;
};

// A (cols + 1) x (rows + 1) lattice: vertex (i, j) is shape(i / cols,
// j / rows), j = 0 being the top row. Faces are clockwise seen from the
// front, or from behind when `reversed`. A quad's first three corners are
// picked so that they never coincide where a row collapses to a point (the
// poles of a sphere), since the engines take the face normal from them.
Mesh lattice(int cols, int rows, const std::function<Point(double, double)>& shape,
             const TextureWindow& window, std::uint16_t surface, bool reversed) {
    Mesh mesh;
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= cols; ++i) {
            mesh.vertices.push_back(
                shape(static_cast<double>(i) / cols, static_cast<double>(j) / rows));
        }
    }
    auto index = [&](int i, int j) { return static_cast<std::uint32_t>(j * (cols + 1) + i); };
    for (int j = 0; j < rows; ++j) {
        bool upper = 2 * j < rows;
        for (int i = 0; i < cols; ++i) {
            // Corners as (column, row) offsets.
            std::array<std::array<int, 2>, 4> corners;
            if (!reversed) {
                corners = upper
                              ? std::array<std::array<int, 2>, 4>{{{1, 0}, {1, 1}, {0, 1}, {0, 0}}}
                              : std::array<std::array<int, 2>, 4>{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
            } else {
                corners = upper
                              ? std::array<std::array<int, 2>, 4>{{{0, 0}, {0, 1}, {1, 1}, {1, 0}}}
                              : std::array<std::array<int, 2>, 4>{{{1, 1}, {1, 0}, {0, 0}, {0, 1}}};
            }
            MeshPolygon polygon;
            polygon.corner_count = 4;
            polygon.surface = surface;
            for (int c = 0; c < 4; ++c) {
                int ci = i + corners[c][0];
                int cj = j + corners[c][1];
                polygon.vertex[c] = index(ci, cj);
                polygon.s[c] = window.s0 + (window.s1 - window.s0) * ci / cols;
                polygon.t[c] = window.t0 + (window.t1 - window.t0) * cj / rows;
            }
            mesh.polygons.push_back(polygon);
        }
    }
    return mesh;
}

// A flat rectangle with its own frame: `origin` is the corner at the
// picture's top left as seen from outside, `right` and `down` span it.
Mesh panel(const Point& origin, const Point& right, const Point& down, int cols, int rows,
           const TextureWindow& window, std::uint16_t surface) {
    return lattice(
        cols, rows,
        [&](double u, double v) {
            return Point{origin[0] + u * right[0] + v * down[0],
                         origin[1] + u * right[1] + v * down[1],
                         origin[2] + u * right[2] + v * down[2]};
        },
        window, surface, false);
}

// "back": 0 = faces the camera; 1 = faces away and reads correctly after a
// half turn about Y (heading 180); 2 = after a half turn about X (pitch 180).
Mesh flat_grid(double width, double height, int cols, int rows, TextureWindow window,
               std::uint16_t surface, int back, const std::string& kind) {
    if (back < 0 || back > 2) {
        throw MeshError("mesh " + kind + ": back must be 0, 1 or 2");
    }
    auto shape = [=](double u, double v) {
        return Point{-width / 2 + u * width, height / 2 - v * height, 0.0};
    };
    if (back == 1) {
        std::swap(window.s0, window.s1);
    } else if (back == 2) {
        std::swap(window.t0, window.t1);
    }
    return lattice(cols, rows, shape, window, surface, back != 0);
}

Mesh build_quad(const Parameters& p) {
    TextureWindow window{p["s0"], p["s1"], p["t0"], p["t1"]};
    return flat_grid(p.positive("width"), p.positive("height"), p.count("cols", 1, 200),
                     p.count("rows", 1, 200), window, p.surface(), p.count("back", 0, 2), p.kind());
}

Mesh build_tile(const Parameters& p) {
    int cols = p.count("cols", 1, 200);
    int rows = p.count("rows", 1, 200);
    int col = p.count("col", 0, cols - 1);
    int row = p.count("row", 0, rows - 1);
    double cell_width = p.positive("width") / cols;
    double cell_height = p.positive("height") / rows;
    TextureWindow window{static_cast<double>(col) / cols, static_cast<double>(col + 1) / cols,
                         static_cast<double>(row) / rows, static_cast<double>(row + 1) / rows};
    int part = p.count("part", 0, 2);
    int back = p.count("back", 0, 2);
    if (part == 0) {
        int divisions = p.count("subdivide", 1, 50);
        return flat_grid(cell_width, cell_height, divisions, divisions, window, p.surface(), back,
                         p.kind());
    }
    if (back != 0) {
        throw MeshError("mesh tile: a triangular part has no back side; use a two-sided surface");
    }
    // Part 1 is the triangle above the cell's diagonal from its top right
    // to its bottom left, part 2 the one below it.
    Mesh mesh;
    double w = cell_width / 2;
    double h = cell_height / 2;
    mesh.vertices = {{-w, h, 0}, {w, h, 0}, {w, -h, 0}, {-w, -h, 0}};
    auto corner_s = [&](int c) { return c == 0 || c == 3 ? window.s0 : window.s1; };
    auto corner_t = [&](int c) { return c <= 1 ? window.t0 : window.t1; };
    std::array<int, 3> corners =
        part == 1 ? std::array<int, 3>{0, 1, 3} : std::array<int, 3>{1, 2, 3};
    MeshPolygon polygon;
    polygon.corner_count = 3;
    polygon.surface = p.surface();
    for (int c = 0; c < 3; ++c) {
        polygon.vertex[c] = static_cast<std::uint32_t>(corners[c]);
        polygon.s[c] = corner_s(corners[c]);
        polygon.t[c] = corner_t(corners[c]);
    }
    mesh.polygons.push_back(polygon);
    return mesh;
}

Mesh build_box(const Parameters& p) {
    double w = p.positive("width") / 2;
    double h = p.positive("height") / 2;
    double d = p.positive("depth") / 2;
    int cols = p.count("cols", 1, 200);
    int rows = p.count("rows", 1, 200);
    auto face = [&](const char* name) {
        double id = p[name];
        return id < 0 ? p.surface() : p.surface_id(name);
    };
    TextureWindow full;
    Mesh mesh;
    struct Face {
        const char* name;
        Point origin, right, down;
        bool subdivided;
    };
    // The back face reads correctly after a half turn about Y, or about X
    // with back_axis 1; side faces read correctly once turned to the front.
    bool back_pitch = p.count("back_axis", 0, 1) == 1;
    Face back_face = back_pitch ? Face{"back", {-w, -h, -d}, {2 * w, 0, 0}, {0, 2 * h, 0}, true}
                                : Face{"back", {w, h, -d}, {-2 * w, 0, 0}, {0, -2 * h, 0}, true};
    const Face faces[] = {
        {"front", {-w, h, d}, {2 * w, 0, 0}, {0, -2 * h, 0}, true},
        back_face,
        {"right", {w, h, d}, {0, 0, -2 * d}, {0, -2 * h, 0}, false},
        {"left", {-w, h, -d}, {0, 0, 2 * d}, {0, -2 * h, 0}, false},
        {"top", {-w, h, -d}, {2 * w, 0, 0}, {0, 0, 2 * d}, false},
        {"bottom", {-w, -h, d}, {2 * w, 0, 0}, {0, 0, -2 * d}, false},
    };
    for (const Face& f : faces) {
        std::uint16_t surface = face(f.name);
        if (surface == 0) {
            continue;  // surface 0 leaves the face out
        }
        mesh.append(panel(f.origin, f.right, f.down, f.subdivided ? cols : 1,
                          f.subdivided ? rows : 1, full, surface));
    }
    if (mesh.polygons.empty()) {
        throw MeshError("mesh box: every face is left out");
    }
    return mesh;
}

Mesh build_sphere(const Parameters& p) {
    double radius = p.positive("radius");
    double lon0 = p["lon0"], lon1 = p["lon1"], lat0 = p["lat0"], lat1 = p["lat1"];
    if (!(lon1 > lon0) || !(lat1 > lat0) || lat0 < -90 || lat1 > 90) {
        throw MeshError("mesh sphere: needs lon0 < lon1 and -90 <= lat0 < lat1 <= 90");
    }
    auto shape = [=](double u, double v) {
        double lon = (lon0 + u * (lon1 - lon0)) * radians_per_degree;
        double lat = (lat1 - v * (lat1 - lat0)) * radians_per_degree;
        return Point{radius * std::cos(lat) * std::sin(lon), radius * std::sin(lat),
                     radius * std::cos(lat) * std::cos(lon)};
    };
    return lattice(p.count("cols", 1, 200), p.count("rows", 1, 200), shape, TextureWindow{},
                   p.surface(), p.count("inside", 0, 1) == 1);
}

Mesh build_cylinder(const Parameters& p) {
    double radius = p.positive("radius");
    double height = p.positive("height");
    double lon0 = p["lon0"], lon1 = p["lon1"];
    if (!(lon1 > lon0)) {
        throw MeshError("mesh cylinder: needs lon0 < lon1");
    }
    auto shape = [=](double u, double v) {
        double lon = (lon0 + u * (lon1 - lon0)) * radians_per_degree;
        return Point{radius * std::sin(lon), height / 2 - v * height, radius * std::cos(lon)};
    };
    return lattice(p.count("cols", 1, 200), p.count("rows", 1, 200), shape, TextureWindow{},
                   p.surface(), p.count("inside", 0, 1) == 1);
}

// A page turning about its left edge (the spine, at x = -width / 2) toward
// the viewer. At angle 0 it lies flat, at 180 it lies flat to the left of
// the spine. `curl` bends the free edge ahead of the spine by up to that
// many degrees mid-turn, `lead` lets the bottom corner lead the top. Arc
// length along the page is kept, so the picture does not stretch.
Mesh build_page(const Parameters& p) {
    double width = p.positive("width");
    double height = p.positive("height");
    int cols = p.count("cols", 1, 200);
    int rows = p.count("rows", 1, 200);
    double angle = p["angle"];
    double curl = p["curl"];
    double lead = p["lead"];
    double lift = std::sin(angle * radians_per_degree);
    auto shape = [=](double u, double v) {
        double row_angle = angle + lead * lift * (v - 0.5);
        const int steps = 64;
        double x = -width / 2, z = 0;
        for (int k = 0; k < steps; ++k) {
            double a = u * (k + 0.5) / steps;  // fraction of the width at the step's middle
            double phi = (row_angle + curl * lift * a) * radians_per_degree;
            x += std::cos(phi) * u * width / steps;
            z += std::sin(phi) * u * width / steps;
        }
        return Point{x, height / 2 - v * height, z};
    };
    TextureWindow window;
    int back = p.count("back", 0, 1);
    if (back == 1) {
        std::swap(window.s0, window.s1);
    }
    return lattice(cols, rows, shape, window, p.surface(), back == 1);
}

// A page peeled back over itself: the part of the sheet beyond a fold line
// wraps round a cylinder of `radius` lying on the page along that line and
// lies flat again, face down, on top of the rest. The line runs across the
// page at right angles to the direction `angle` (degrees, 0 = toward the
// right edge, -30 = toward the bottom right corner), `distance` from the
// page's centre. Arc length is kept, so the picture does not stretch.
Mesh build_peel(const Parameters& p) {
    double width = p.positive("width");
    double height = p.positive("height");
    double angle = p["angle"] * radians_per_degree;
    double distance = p["distance"];
    double radius = p.positive("radius");
    double nx = std::cos(angle), ny = std::sin(angle);
    auto shape = [=](double u, double v) {
        double x = -width / 2 + u * width;
        double y = height / 2 - v * height;
        double d = x * nx + y * ny - distance;  // how far past the fold line
        if (d <= 0) {
            return Point{x, y, 0.0};
        }
        double half_turn = std::numbers::pi * radius;
        if (d < half_turn) {
            double a = d / radius;
            double back = d - radius * std::sin(a);
            return Point{x - back * nx, y - back * ny, radius * (1 - std::cos(a))};
        }
        double back = d + (d - half_turn);
        return Point{x - back * nx, y - back * ny, 2 * radius};
    };
    return lattice(p.count("cols", 1, 200), p.count("rows", 1, 200), shape, TextureWindow{},
                   p.surface(), p.count("back", 0, 1) == 1);
}

// A flat grid displaced toward the viewer by a sine wave along x, or around
// (cx, cy) when radial.
Mesh build_wave(const Parameters& p) {
    double width = p.positive("width");
    double height = p.positive("height");
    double amplitude = p["amplitude"];
    double wavelength = p.positive("wavelength");
    double phase = p["phase"];
    bool radial = p.count("radial", 0, 1) == 1;
    double cx = p["cx"], cy = p["cy"];
    auto shape = [=](double u, double v) {
        double x = -width / 2 + u * width;
        double y = height / 2 - v * height;
        double d = radial ? std::hypot(x - cx, y - cy) : x - cx;
        double z = amplitude * std::sin((360.0 * d / wavelength + phase) * radians_per_degree);
        return Point{x, y, z};
    };
    return lattice(p.count("cols", 1, 200), p.count("rows", 1, 200), shape, TextureWindow{},
                   p.surface(), false);
}

// A flat grid whose rows turn about the vertical axis: row v (0 at the top,
// 1 at the bottom) by base + angle * (v - 0.5) degrees, held between low and
// high. With a clamp of 0..180 and a base running from -angle / 2 to
// 180 + angle / 2, a series of these is a card flipping over bottom first.
Mesh build_twist(const Parameters& p) {
    double width = p.positive("width");
    double height = p.positive("height");
    double angle = p["angle"];
    double base = p["base"];
    double low = p["low"], high = p["high"];
    if (low > high) {
        throw MeshError("mesh twist: low must not exceed high");
    }
    auto shape = [=](double u, double v) {
        double x = -width / 2 + u * width;
        double a = std::clamp(base + angle * (v - 0.5), low, high) * radians_per_degree;
        return Point{x * std::cos(a), height / 2 - v * height, -x * std::sin(a)};
    };
    return lattice(p.count("cols", 1, 200), p.count("rows", 1, 200), shape, TextureWindow{},
                   p.surface(), false);
}

// A sheet rolled up from its bottom edge toward the viewer, like a scroll:
// `amount` 0 is flat, 1 has rolled the whole height. The rolled part winds
// around a spiral that starts at `radius` and narrows by `spacing` per turn
// inward, so turns never coincide.
Mesh build_roll(const Parameters& p) {
    double width = p.positive("width");
    double height = p.positive("height");
    double amount = p["amount"];
    double radius = p.positive("radius");
    double spacing = p["spacing"];
    if (amount < 0 || amount > 1) {
        throw MeshError("mesh roll: amount must be from 0 to 1");
    }
    double line = -height / 2 + amount * height;  // where the sheet leaves the roll
    auto shape = [=](double u, double v) {
        double x = -width / 2 + u * width;
        double y = height / 2 - v * height;
        if (y >= line) {
            return Point{x, y, 0.0};
        }
        // Walk the arc length d below the line along the spiral from the
        // contact point; the radius shrinks inward, so the bottom edge ends
        // innermost as on a real scroll.
        double d = line - y;
        double a = 0, r = radius;
        double step = 0.01 * radius;
        for (double walked = 0; walked < d; walked += step) {
            r = std::max(0.2 * radius, radius - spacing * a / (2 * std::numbers::pi));
            a += step / r;
        }
        return Point{x, line - r * std::sin(a), r - r * std::cos(a)};
    };
    return lattice(p.count("cols", 1, 200), p.count("rows", 1, 200), shape, TextureWindow{},
                   p.surface(), false);
}

// A sheet folded like an accordion into `cols` vertical panels, each tilted
// by `angle` alternately toward and away from the viewer; the left edge
// stays put. Angle 0 is flat, 90 folds it shut.
Mesh build_fold(const Parameters& p) {
    double width = p.positive("width");
    double height = p.positive("height");
    int panels = p.count("cols", 1, 200);
    double angle = p["angle"] * radians_per_degree;
    double panel_width = width / panels;
    auto shape = [=](double u, double v) {
        int k = static_cast<int>(std::lround(u * panels));
        double x = -width / 2 + k * panel_width * std::cos(angle);
        double z = (k % 2 == 1) ? panel_width * std::sin(angle) : 0.0;
        return Point{x, height / 2 - v * height, z};
    };
    return lattice(panels, p.count("rows", 1, 200), shape, TextureWindow{}, p.surface(), false);
}

struct Builder {
    const char* kind;
    std::vector<ParameterRule> parameters;
    Mesh (*build)(const Parameters&);
};

const std::vector<Builder>& builders() {
    static const std::vector<Builder> table = {
        {"quad",
         {{"width", required},
          {"height", required},
          {"cols", 1},
          {"rows", 1},
          {"s0", 0},
          {"s1", 1},
          {"t0", 0},
          {"t1", 1},
          {"back", 0}},
         build_quad},
        {"tile",
         {{"width", required},
          {"height", required},
          {"cols", required},
          {"rows", required},
          {"col", required},
          {"row", required},
          {"part", 0},
          {"subdivide", 1},
          {"back", 0}},
         build_tile},
        {"box",
         {{"width", required},
          {"height", required},
          {"depth", required},
          {"cols", 1},
          {"rows", 1},
          {"front", -1},
          {"back", -1},
          {"left", -1},
          {"right", -1},
          {"top", -1},
          {"bottom", -1},
          {"back_axis", 0}},
         build_box},
        {"sphere",
         {{"radius", required},
          {"cols", 24},
          {"rows", 12},
          {"lon0", -180},
          {"lon1", 180},
          {"lat0", -90},
          {"lat1", 90},
          {"inside", 0}},
         build_sphere},
        {"cylinder",
         {{"radius", required},
          {"height", required},
          {"cols", 24},
          {"rows", 1},
          {"lon0", -180},
          {"lon1", 180},
          {"inside", 0}},
         build_cylinder},
        {"page",
         {{"width", required},
          {"height", required},
          {"cols", 16},
          {"rows", 8},
          {"angle", 0},
          {"curl", 0},
          {"lead", 0},
          {"back", 0}},
         build_page},
        {"peel",
         {{"width", required},
          {"height", required},
          {"cols", 16},
          {"rows", 12},
          {"angle", -30},
          {"distance", 0},
          {"radius", required},
          {"back", 0}},
         build_peel},
        {"wave",
         {{"width", required},
          {"height", required},
          {"cols", 16},
          {"rows", 12},
          {"amplitude", 0},
          {"wavelength", 1},
          {"phase", 0},
          {"radial", 0},
          {"cx", 0},
          {"cy", 0}},
         build_wave},
        {"twist",
         {{"width", required},
          {"height", required},
          {"cols", 8},
          {"rows", 16},
          {"angle", 0},
          {"base", 0},
          {"low", -1e9},
          {"high", 1e9}},
         build_twist},
        {"roll",
         {{"width", required},
          {"height", required},
          {"cols", 4},
          {"rows", 48},
          {"amount", 0},
          {"radius", required},
          {"spacing", 0}},
         build_roll},
        {"fold",
         {{"width", required}, {"height", required}, {"cols", 6}, {"rows", 1}, {"angle", 0}},
         build_fold},
    };
    return table;
}

const Builder* find_builder(const std::string& kind) {
    for (const Builder& builder : builders()) {
        if (kind == builder.kind) {
            return &builder;
        }
    }
    return nullptr;
}

Point apply_transform(const MeshTransform& transform, const Point& p) {
    switch (transform.kind) {
        case MeshTransform::Kind::move:
            return {p[0] + transform.value[0], p[1] + transform.value[1],
                    p[2] + transform.value[2]};
        case MeshTransform::Kind::scale:
            return {p[0] * transform.value[0], p[1] * transform.value[1],
                    p[2] * transform.value[2]};
        case MeshTransform::Kind::turn:
            return rotate_point(p, transform.value[0], transform.value[1], transform.value[2]);
    }
    return p;
}

}  // namespace

Point rotate_point(const Point& p, double pitch, double heading, double bank) {
    double b = bank * radians_per_degree;
    double a = pitch * radians_per_degree;
    double h = heading * radians_per_degree;
    // About Z.
    Point q{p[0] * std::cos(b) - p[1] * std::sin(b), p[0] * std::sin(b) + p[1] * std::cos(b), p[2]};
    // About X.
    q = {q[0], q[1] * std::cos(a) - q[2] * std::sin(a), q[1] * std::sin(a) + q[2] * std::cos(a)};
    // About Y.
    return {q[0] * std::cos(h) + q[2] * std::sin(h), q[1],
            -q[0] * std::sin(h) + q[2] * std::cos(h)};
}

Mesh build_mesh(const MeshRequest& request, std::uint16_t default_surface) {
    const Builder* builder = find_builder(request.kind);
    if (builder == nullptr) {
        std::string list;
        for (const std::string& kind : mesh_kinds()) {
            list += (list.empty() ? "" : ", ") + kind;
        }
        throw MeshError("unknown mesh \"" + request.kind + "\" (known: " + list + ")");
    }
    Parameters parameters(request, builder->parameters, default_surface);
    Mesh mesh = builder->build(parameters);
    for (const MeshTransform& transform : request.transforms) {
        for (Point& vertex : mesh.vertices) {
            vertex = apply_transform(transform, vertex);
        }
    }
    return mesh;
}

std::vector<std::string> mesh_parameter_names(const std::string& kind) {
    std::vector<std::string> names;
    if (const Builder* builder = find_builder(kind)) {
        for (const ParameterRule& rule : builder->parameters) {
            names.emplace_back(rule.name);
        }
        names.emplace_back("surface");
    }
    return names;
}

std::vector<std::string> mesh_kinds() {
    std::vector<std::string> kinds;
    for (const Builder& builder : builders()) {
        kinds.emplace_back(builder.kind);
    }
    return kinds;
}

}  // namespace kdr::effectc
