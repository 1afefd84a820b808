#pragma once
// The path editor's work without widgets: which object of an effect the
// Objects page edits for a video, the path that the record keeps for it,
// the key operations, what the key display shows, and how a mouse drag
// changes a key. GUI thread; the record is edited in place.

#include <cstdint>
#include <vector>

#include "kaleidra/records/layout.h"
#include "kaleidra/scene/items.h"

namespace kdr {
class Scene;
}

namespace kdr::gui {

// The object whose path the editor changes for group o (video o + 1): the
// first object of the effect showing that video that is not a morph target
// and is not attached (as a child, or through its link) to another object
// showing the same video, so the whole assembly moves with it. Null when
// there is none.
const scene::Object* path_object(const Scene& effect, int group);

// The group whose object the editor opens for the Objects page's group o:
// flying on, a two-video transition's first two videos trade places, so
// the object that shows video 1 shows what the page calls video 2.
int path_group(int group, bool videos_trade);

// The record's path for the object, else a copy (same id) of the effect's
// own path of the object added to the record's paths; null when neither
// exists (or memory runs out).
scene::Path* path_to_edit(EffectSettings& record, const Scene& effect, std::uint16_t object_id);

// Removes `path` from the record's paths.
void remove_path(EffectSettings& record, const scene::Path* path);

// Views of the layout preview (frame record mode bits) and tools.
enum PathView : std::uint32_t {
    view_camera = flag_preview_camera,
    view_side = flag_preview_side,
    view_top = flag_preview_top,
    view_perspective = flag_preview_perspective,
};
enum class PathTool { move, rotate, stretch };
struct AxisFlags {
    bool x = true;
    bool y = true;
    bool z = true;
};

// The mode flags of the view frame: the view, the layout preview and the
// highlighted object's path, and only that object while dragging.
std::uint32_t view_flags(std::uint32_t view, bool dragging);

// Position and scale values are kept within this.
inline constexpr float path_value_limit = 2000;
bool path_values_in_range(const PathKey& key);

// The key within 0.01 of `time`, -1 when none.
int path_key_near(const std::vector<PathKey>& keys, float time, float within = 0.01f);
// The path's position, rotation and scale at `time` as the engines see it
// (the last key held to the end).
PathKey path_at(const std::vector<PathKey>& keys, float time);
// Replaces the key within 0.01 of the key's time (the new key keeps its
// own time), or inserts it; the keys stay in time order. Returns its index.
int put_path_key(std::vector<PathKey>& keys, const PathKey& key);
bool remove_path_key(std::vector<PathKey>& keys, float time);
// The first key after time + 0.00999, the last before time - 0.00999.
int next_path_key(const std::vector<PathKey>& keys, float time);
int previous_path_key(const std::vector<PathKey>& keys, float time);

struct PathKeyDisplay {
    PathKey values;  // the path at t; tension, continuity, bias and linear from the key
    bool key_here = false;
    bool previous_enabled = true;
    bool next_enabled = true;
    bool create_enabled = true;
    bool delete_enabled = false;
    bool copy_enabled = false;
};
PathKeyDisplay path_key_display(const std::vector<PathKey>& keys, float time);

// The buttons of a drag.
struct DragButtons {
    bool left = false;
    bool shift = false;
};

// Which values a drag changed (bits: 1 << motion value index 1..9).
using ChangedValues = std::uint32_t;

// Changes `key` by a mouse movement of dx, dy pixels (x right, y down) with
// the tool, view, axes and buttons of the drag. An axis's value changes
// only when its flag is on and the change is not zero.
ChangedValues drag_key(PathKey& key, PathTool tool, std::uint32_t view, AxisFlags axes,
                       DragButtons buttons, int dx, int dy);

}  // namespace kdr::gui
