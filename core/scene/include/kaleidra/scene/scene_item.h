#pragma once
// The common base of the seven kinds of scene items. An item is created by
// the chunk parser from the 16-byte item header (id, start, end, link id,
// parent id) and then reads the rest of its chunk itself.
//
// Items are owned by their Scene; `link` and `parent` point at other items of
// the same scene and are set by Scene::link().

#include <cstdint>
#include <memory>
#include <vector>

#include "kaleidra/chunks/chunk_id.h"
#include "kaleidra/scene/motion.h"

namespace kdr {

// Ids of generated and special items.
inline constexpr std::uint16_t first_trail_id = 5000;
inline constexpr std::uint16_t filter_marker_id = 20000;

inline constexpr std::uint32_t item_header_size = 16;

}  // namespace kdr

// The items live in a namespace of their own: the scene's Surface (how a
// polygon is coloured) is not the engines' gl::Surface (what they draw on).
namespace kdr::scene {

enum class ItemKind : int {
    camera = 0,
    light = 1,
    object = 2,
    surface = 3,
    path = 4,
    envelope = 5,
    warp = 6
};
inline constexpr int item_kind_count = 7;

class Object;

class SceneItem {
  public:
    explicit SceneItem(ItemKind kind) : m_kind(kind) {}
    virtual ~SceneItem() = default;

    ItemKind kind() const { return m_kind; }

    // A deep copy of the same kind; link and parent pointers are copied as
    // they are and must be relinked in the new scene.
    virtual std::unique_ptr<SceneItem> clone() const = 0;
    virtual void set_motion(const MotionState& /*motion*/) {}
    virtual void get_motion(MotionState& /*motion*/) const {}
    // Reads the chunk's data after the item header. `data` holds `length`
    // bytes of the whole chunk (header included). False when the chunk is too
    // short or its counts lie: the parser then drops the item.
    virtual bool read_chunk(const std::uint8_t* data, std::uint32_t length) = 0;
    // The chunk identifier and the whole chunk (header included).
    virtual chunks::ChunkId chunk_id() const = 0;
    virtual std::vector<std::uint8_t> write_chunk() const = 0;
    virtual void set_parameter(int /*number*/, float /*value*/) {}
    // True when any stored field differs from `other` (an item of the same kind).
    virtual bool differs(const SceneItem& other) const = 0;

    std::uint16_t id = 0;
    std::int16_t link_id = 0;
    std::int16_t parent_id = 0;
    float start = 0;
    float end = 1;
    SceneItem* link = nullptr;
    Object* parent = nullptr;

  protected:
    SceneItem(const SceneItem&) = default;
    SceneItem& operator=(const SceneItem&) = default;

    // Shared by the kinds: the 16-byte header at the start of every item chunk.
    void write_header(std::uint8_t* chunk) const;
    bool header_differs(const SceneItem& other) const;

  private:
    ItemKind m_kind;
};

}  // namespace kdr::scene
