#include "kaleidra/gui/path_editing.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "kaleidra/scene/evaluation.h"
#include "kaleidra/scene/scene.h"

namespace kdr::gui {
namespace {

// Whether `object` hangs on another object showing its own video.
bool attached_to_same_video(const Scene& effect, const scene::Object& object) {
    for (std::int16_t id : {object.parent_id, object.link_id}) {
        if (id == 0 || id == static_cast<std::int16_t>(object.id)) {
            continue;
        }
        const scene::Object* other = effect.find_object(static_cast<std::uint16_t>(id));
        if (other != nullptr && other->video_number == object.video_number) {
            return true;
        }
    }
    return false;
}

constexpr double move_step_flat = 0.025;  // top and side views
constexpr double move_step_deep = 0.01;   // camera and perspective views
constexpr double turn_step = 0.5;
constexpr double stretch_step = 0.01;

}  // namespace

const scene::Object* path_object(const Scene& effect, int group) {
    for (const auto& object : effect.objects) {
        if (object->video_number == static_cast<std::uint32_t>(group + 1) &&
            object->morph_target_flag == 0 && !attached_to_same_video(effect, *object)) {
            return object.get();
        }
    }
    return nullptr;
}

int path_group(int group, bool videos_trade) {
    if (!videos_trade) {
        return group;
    }
    return group == 0 ? 1 : group == 1 ? 0 : group;
}

scene::Path* path_to_edit(EffectSettings& record, const Scene& effect, std::uint16_t object_id) {
    Scene* user = settings_scene(record);
    if (user == nullptr) {
        return nullptr;
    }
    const auto link = static_cast<std::int16_t>(object_id);
    for (const auto& path : user->paths) {
        if (path->link_id == link) {
            return path.get();
        }
    }
    for (const auto& path : effect.paths) {
        if (path->link_id == link) {
            try {
                auto copy = std::make_unique<scene::Path>(*path);
                scene::Path* kept = copy.get();
                user->paths.push_back(std::move(copy));
                user->link();
                return kept;
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        }
    }
    return nullptr;
}

void remove_path(EffectSettings& record, const scene::Path* path) {
    Scene* user = settings_scene(record);
    if (user == nullptr) {
        return;
    }
    std::erase_if(user->paths, [path](const auto& item) { return item.get() == path; });
    user->link();
}

std::uint32_t view_flags(std::uint32_t view, bool dragging) {
    std::uint32_t flags = view | flag_layout_preview | flag_preview_path;
    if (dragging) {
        flags |= flag_preview_only_highlighted;
    }
    return flags;
}

bool path_values_in_range(const PathKey& key) {
    for (float value : {key.position[0], key.position[1], key.position[2], key.scale[0],
                        key.scale[1], key.scale[2]}) {
        if (!(value >= -path_value_limit && value <= path_value_limit)) {
            return false;
        }
    }
    return true;
}

int path_key_near(const std::vector<PathKey>& keys, float time, float within) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (std::fabs(keys[i].time - time) <= within) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

PathKey path_at(const std::vector<PathKey>& keys, float time) {
    PathKey values;
    values.time = time;
    if (keys.empty()) {
        return values;
    }
    if (keys.back().time != 1) {
        std::vector<PathKey> held = keys;
        held.push_back(keys.back());
        held.back().time = 1;
        evaluate_path(held, time, values);
    } else {
        evaluate_path(keys, time, values);
    }
    return values;
}

int put_path_key(std::vector<PathKey>& keys, const PathKey& key) {
    // The key it replaces may lie up to 0.01 away: taken out and put back
    // at the new time, so the keys stay in time order.
    if (const int near = path_key_near(keys, key.time); near >= 0) {
        keys.erase(keys.begin() + near);
    }
    const auto place =
        std::upper_bound(keys.begin(), keys.end(), key.time,
                         [](float time, const PathKey& other) { return time < other.time; });
    const auto index = place - keys.begin();
    keys.insert(place, key);
    return static_cast<int>(index);
}

bool remove_path_key(std::vector<PathKey>& keys, float time) {
    const int near = path_key_near(keys, time);
    if (near < 0) {
        return false;
    }
    keys.erase(keys.begin() + near);
    return true;
}

int next_path_key(const std::vector<PathKey>& keys, float time) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].time > time + 0.00999f) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int previous_path_key(const std::vector<PathKey>& keys, float time) {
    for (std::size_t i = keys.size(); i-- > 0;) {
        if (keys[i].time < time - 0.00999f) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

PathKeyDisplay path_key_display(const std::vector<PathKey>& keys, float time) {
    PathKeyDisplay display;
    display.values = path_at(keys, time);
    display.values.tension = 0;
    display.values.continuity = 0;
    display.values.bias = 0;
    display.values.linear = 0;
    const int at = path_key_near(keys, time, 0.005f);
    display.key_here = at >= 0;
    if (display.key_here) {
        const PathKey& key = keys[static_cast<std::size_t>(at)];
        display.values.tension = key.tension;
        display.values.continuity = key.continuity;
        display.values.bias = key.bias;
        display.values.linear = key.linear != 0 ? 1 : 0;
        display.previous_enabled = key.time != 0;
        display.next_enabled = key.time != 1;
    }
    display.create_enabled = !display.key_here;
    display.copy_enabled = display.key_here;
    display.delete_enabled = display.key_here && time != 0 && time != 1;
    return display;
}

ChangedValues drag_key(PathKey& key, PathTool tool, std::uint32_t view, AxisFlags axes,
                       DragButtons buttons, int dx, int dy) {
    ChangedValues changed = 0;
    // Value `index` of the motion state (1..9) on the axis `on`.
    auto change = [&](int index, bool on, double delta) {
        if (!on || delta == 0) {
            return;
        }
        float& value = motion_value(key, index);
        value = static_cast<float>(value + delta);
        changed |= 1u << index;
    };
    switch (tool) {
        case PathTool::move:
            if (view == view_top) {
                change(1, axes.x, dx * move_step_flat);
                change(3, axes.z, dy * move_step_flat);
            } else if (view == view_side) {
                change(3, axes.z, -dx * move_step_flat);
                change(2, axes.y, -dy * move_step_flat);
            } else if (buttons.left) {
                change(1, axes.x, dx * move_step_deep);
                change(2, axes.y, -dy * move_step_deep);
            } else {
                change(3, axes.z, dy * move_step_deep);
            }
            break;
        case PathTool::rotate:
            if (buttons.left) {
                change(4, axes.x, dy * turn_step);
                change(5, axes.y, dx * turn_step);
            } else {
                change(6, axes.z, -dy * turn_step);
            }
            break;
        case PathTool::stretch:
            if (buttons.shift) {
                change(7, axes.x, dy * stretch_step);
                change(8, axes.y, dy * stretch_step);
                change(9, axes.z, dy * stretch_step);
            } else if (buttons.left) {
                change(7, axes.x, dx * stretch_step);
                change(8, axes.y, -dy * stretch_step);
            } else {
                change(9, axes.z, -dy * stretch_step);
            }
            break;
    }
    return changed;
}

}  // namespace kdr::gui
