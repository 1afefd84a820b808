#pragma once
// The seven kinds of scene items and their stored fields. Fields that nothing
// in the system interprets (the light's words, the camera's trailing floats,
// most of a surface's colours) are still read, written, copied and compared
// exactly as stored.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kaleidra/scene/scene_item.h"

namespace kdr {

using Colour = std::array<float, 4>;  // red, green, blue, alpha
using Vec3 = std::array<float, 3>;

// Stored sizes of the fixed item chunks (header included).
inline constexpr std::uint32_t camera_chunk_size = 100;
inline constexpr std::uint32_t light_chunk_size = 110;
inline constexpr std::uint32_t surface_chunk_size = 382;
inline constexpr std::uint32_t warp_chunk_size = 65;  // before the parameters

// Counts a chunk may declare. Beyond these an item is dropped, whatever the
// chunk's length: vertex indices are 16-bit, and nothing real comes near
// the others.
inline constexpr std::uint32_t max_vertices = 65536;
inline constexpr std::uint32_t max_polygons = 1u << 20;
inline constexpr std::uint32_t max_keys = 1u << 16;
inline constexpr std::uint32_t max_warp_parameters = 1u << 16;

// What a surface shows.
enum SurfaceSource : std::uint16_t {
    source_colour = 0,
    source_video = 1,
    source_texture = 2,
    source_avi = 3,
    source_bitmap_sequence = 4,
    source_targa_sequence = 5,
};

}  // namespace kdr

namespace kdr::scene {

class Camera final : public SceneItem {
  public:
    Camera() : SceneItem(ItemKind::camera) {}
    std::unique_ptr<SceneItem> clone() const override;
    void set_motion(const MotionState& motion) override { this->motion = motion; }
    void get_motion(MotionState& motion) const override { motion = this->motion; }
    bool read_chunk(const std::uint8_t* data, std::uint32_t length) override;
    chunks::ChunkId chunk_id() const override;
    std::vector<std::uint8_t> write_chunk() const override;
    bool differs(const SceneItem& other) const override;

    MotionState motion;
    float field_of_view = 45;  // vertical, degrees
    float near_distance = 0.1f;
    float far_distance = 100;
    std::array<float, 4> extra{};
};

class Light final : public SceneItem {
  public:
    Light() : SceneItem(ItemKind::light) {}
    std::unique_ptr<SceneItem> clone() const override;
    void set_motion(const MotionState& motion) override { this->motion = motion; }
    void get_motion(MotionState& motion) const override { motion = this->motion; }
    bool read_chunk(const std::uint8_t* data, std::uint32_t length) override;
    chunks::ChunkId chunk_id() const override;
    std::vector<std::uint8_t> write_chunk() const override;
    bool differs(const SceneItem& other) const override;

    std::uint16_t light_kind = 0;
    Colour colour{1, 1, 1, 1};
    MotionState motion;
    std::array<float, 3> values{};
    std::array<std::uint32_t, 2> words{};
};

struct Polygon {
    std::uint16_t corner_count = 0;  // 3 or 4
    std::array<std::uint16_t, 4> vertex{};
    std::array<float, 4> s{};
    std::array<float, 4> t{};
    Vec3 face_normal{};                   // computed per frame
    std::array<Vec3, 4> corner_normal{};  // computed per frame
    std::uint16_t surface_id = 0;
};

class Object final : public SceneItem {
  public:
    Object() : SceneItem(ItemKind::object) {}
    std::unique_ptr<SceneItem> clone() const override;
    void set_motion(const MotionState& motion) override { this->motion = motion; }
    void get_motion(MotionState& motion) const override { motion = this->motion; }
    bool read_chunk(const std::uint8_t* data, std::uint32_t length) override;
    chunks::ChunkId chunk_id() const override;
    std::vector<std::uint8_t> write_chunk() const override;
    // 0: own transparency (clamped 0..1); 1: morph position (0..target count).
    void set_parameter(int number, float value) override;
    bool differs(const SceneItem& other) const override;

    bool casts_shadow() const { return flags[1] == 1; }
    // 120 + 12 V + 44 P: polygons are packed by their corner counts and the
    // 10 bytes each triangle leaves unused are zeros at the end.
    std::uint32_t stored_size() const;

    std::uint16_t next_morph_target_id = 0;
    std::uint16_t morph_target_flag = 0;  // non-zero: only supplies a morph shape, never drawn
    std::uint32_t morph_target_count = 0;
    std::vector<Vec3> vertices;
    std::vector<Polygon> polygons;
    MotionState motion;
    float morph_position = 0;
    std::array<std::uint16_t, 4> flags{};  // flags[1] == 1: casts a shadow
    Vec3 pivot{};
    float own_transparency = 0;      // 1 = not drawn
    std::uint32_t video_number = 0;  // 1-based; 0 = none
};

class Surface final : public SceneItem {
  public:
    Surface() : SceneItem(ItemKind::surface) {}
    std::unique_ptr<SceneItem> clone() const override;
    bool read_chunk(const std::uint8_t* data, std::uint32_t length) override;
    chunks::ChunkId chunk_id() const override;
    std::vector<std::uint8_t> write_chunk() const override;
    bool differs(const SceneItem& other) const override;

    // Replaces the name (cut to 255 characters).
    void set_name(const char* text);
    bool smooths() const { return frame_offset_or_smoothing != 0; }

    std::uint16_t source_kind = source_colour;
    // 1-based video in an effect's surfaces; the 0-based image slot in the
    // user's mappings of a settings record.
    std::uint16_t video_number = 0;
    Colour first_colour{};
    Colour diffuse{1, 1, 1, 1};
    Colour third_colour{};
    float value68 = 0;
    Colour fourth_colour{};
    std::array<char, 256> name{};  // texture or file name, NUL-terminated
    // The frame offset in the user's mappings; the smoothing value in an
    // effect's surfaces (non-zero = smooth normals).
    float frame_offset_or_smoothing = 0;
    std::array<std::uint32_t, 2> words{};
    std::array<float, 6> values{};
    std::uint16_t two_sided = 0;

    // Index into the scene's textures for kind-2 surfaces, or -1; set when
    // the scene loads its textures. The texture has no pixels when its file
    // was missing (the surface is then drawn untextured).
    int texture_index = -1;
};

class Path final : public SceneItem {
  public:
    Path() : SceneItem(ItemKind::path) {}
    std::unique_ptr<SceneItem> clone() const override;
    bool read_chunk(const std::uint8_t* data, std::uint32_t length) override;
    chunks::ChunkId chunk_id() const override;
    std::vector<std::uint8_t> write_chunk() const override;
    bool differs(const SceneItem& other) const override;

    std::vector<PathKey> keys;  // in time order
};

class Envelope final : public SceneItem {
  public:
    Envelope() : SceneItem(ItemKind::envelope) {}
    std::unique_ptr<SceneItem> clone() const override;
    // Reading completes the keys (complete_keys()).
    bool read_chunk(const std::uint8_t* data, std::uint32_t length) override;
    chunks::ChunkId chunk_id() const override;
    std::vector<std::uint8_t> write_chunk() const override;
    bool differs(const SceneItem& other) const override;

    // When the first key is not at time 0, inserts a key at 0 with its value
    // (tension, continuity and bias 0, linear); likewise a key at 1 with the
    // last key's value. No keys stay no keys.
    void complete_keys();

    std::uint16_t parameter = 0;
    std::vector<EnvelopeKey> keys;  // in time order
};

class Warp final : public SceneItem {
  public:
    Warp() : SceneItem(ItemKind::warp) {}
    std::unique_ptr<SceneItem> clone() const override;
    bool read_chunk(const std::uint8_t* data, std::uint32_t length) override;
    chunks::ChunkId chunk_id() const override;
    std::vector<std::uint8_t> write_chunk() const override;
    // 0: main value; n >= 1: parameter n when n < the parameter count.
    void set_parameter(int number, float value) override;
    bool differs(const SceneItem& other) const override;

    std::array<char, 41> name{};
    float main_value = 0;
    std::vector<std::uint32_t> parameters;
};

}  // namespace kdr::scene
