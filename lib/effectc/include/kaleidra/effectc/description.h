#pragma once
// An effect as its description says it: header values, camera, surfaces,
// objects with their meshes, morph targets, keys and envelopes. The reader
// (description_reader.h) makes one; the effect writer turns it into scene
// items. Ids of paths, envelopes and morph targets are not part of the
// description: the writer numbers them.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kaleidra/effectc/mesh.h"

namespace kdr::effectc {

struct SourceLocation {
    std::string file;
    int line = 0;
    std::string text() const { return file + ":" + std::to_string(line); }
};

// Position, rotation (pitch about X, heading about Y, bank about Z, in
// degrees) and scale: entries 1..9 of a motion state.
struct Motion {
    Point position{0, 0, 0};
    Point rotation{0, 0, 0};
    Point scale{1, 1, 1};
};

struct PathKeySource {
    double time = 0;
    Motion motion;
    double tension = 0, continuity = 0, bias = 0;
    bool linear = false;
};

struct EnvelopeKeySource {
    double time = 0;
    double value = 0;
    double tension = 0, continuity = 0, bias = 0;
    bool linear = false;
};

struct EnvelopeSource {
    std::uint16_t parameter = 0;  // of the object it belongs to, or a settings value
    std::vector<EnvelopeKeySource> keys;
    SourceLocation where;
};

struct CameraSource {
    std::uint16_t id = 0;
    double start = 0, end = 1;
    Motion motion;
    double field_of_view = 45;  // vertical, degrees
    double near_distance = 0.1;
    double far_distance = 100;
    std::vector<PathKeySource> keys;
    SourceLocation where;
};

enum class SurfaceKind : std::uint16_t { colour = 0, video = 1, texture = 2 };

struct SurfaceSource {
    std::uint16_t id = 0;
    SurfaceKind kind = SurfaceKind::colour;
    std::uint16_t video = 0;  // 1-based, for video surfaces
    std::array<double, 4> colour{1, 1, 1, 1};
    std::string texture;  // for texture surfaces: a name in "Textures"
    bool two_sided = false;
    bool smooth = false;
    SourceLocation where;
};

struct ObjectSource {
    std::uint16_t id = 0;
    double start = 0, end = 1;
    std::uint16_t parent = 0;
    std::uint32_t video = 0;  // 0: taken from the video surfaces its mesh uses
    bool casts_shadow = false;
    Point pivot{0, 0, 0};
    double transparency = 0;
    Motion motion;
    std::uint16_t surface = 0;  // for meshes that name none
    Mesh mesh;
    std::vector<Mesh> morph_targets;
    std::uint16_t morph_of = 0;  // shares the morph targets of that object
    double morph_position = 0;
    std::vector<PathKeySource> keys;
    std::vector<EnvelopeSource> envelopes;
    SourceLocation where;
};

// Object parameters that envelopes drive.
inline constexpr std::uint16_t object_parameter_transparency = 0;
inline constexpr std::uint16_t object_parameter_morph = 1;

struct EffectSource {
    std::string name;
    std::string description;
    std::uint32_t type = 1;
    std::vector<std::string> video_names;
    double best_frame = 50;
    std::uint32_t allow = 1;
    std::vector<CameraSource> cameras;
    std::vector<SurfaceSource> surfaces;
    std::vector<ObjectSource> objects;
    std::vector<EnvelopeSource> settings_envelopes;  // unlinked: drive settings values
    SourceLocation where;                            // of the "effect" line
};

// Ids that descriptions may give; the writer numbers its own items from
// first_generated_id, and 20000 is the filter placement marker.
inline constexpr std::uint16_t largest_described_id = 2999;
inline constexpr std::uint16_t first_generated_id = 3000;
inline constexpr std::uint16_t marker_id = 20000;

}  // namespace kdr::effectc
