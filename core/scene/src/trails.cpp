// Motion trails: copies of an object left behind along its paths, each at
// the place the object held a little earlier in the effect.
#include <algorithm>
#include <unordered_set>

#include "frame_steps.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/value_limits.h"
#include "kaleidra/scene/video_roles.h"

namespace kdr::frame_steps {
namespace {

// Entries 1..9 of `out` from the path's keys at time t, straight between the
// key before t and the first key at or after it; before the first key or
// after the last the nearest key's values.
void interpolate_linearly(const std::vector<PathKey>& keys, float t, MotionState& out) {
    if (keys.empty()) {
        return;
    }
    auto later =
        std::find_if(keys.begin(), keys.end(), [t](const PathKey& k) { return k.time >= t; });
    const PathKey* to = later != keys.end() ? &*later : &keys.back();
    const PathKey* from = later != keys.end() && later != keys.begin() ? &*(later - 1) : to;
    const float span = to->time - from->time;
    const float f = from != to && span != 0 ? (t - from->time) / span : 0.0f;
    for (int entry = 1; entry <= 9; ++entry) {
        const float a = motion_value(*from, entry);
        motion_value(out, entry) = a + f * (motion_value(*to, entry) - a);
    }
}

}  // namespace

void add_trails(Scene& scene, const FrameValues& values, const FrameRecord& frame, float x) {
    if (!(x > 0 && x < 1)) {
        return;
    }
    const bool fly_on = values.globals[global_fly_direction] != 0;
    const bool trade = videos_trade_places(scene.type, values.globals[global_fly_direction]);
    const long long position = frame.position;
    const long long total = frame.total;
    // Copies never reach back before the start nor beyond the end.
    const long long room = std::min({position, total - position, total});
    if (room <= 0) {
        return;
    }

    std::unordered_set<const scene::SceneItem*> linked_to;
    for (const auto& object : scene.objects) {
        if (object->link != nullptr && object->link != object.get()) {
            linked_to.insert(object->link);
        }
    }
    const std::size_t sources = scene.objects.size();
    std::uint32_t next_id = first_trail_id;

    for (int slot = 0; slot < image_slot_count; ++slot) {
        if (!image_has_pixels(frame.images[slot])) {
            continue;
        }
        const int count = trail_count_value(values.video(slot, video_trail_count));
        if (count <= 0) {
            continue;
        }
        const int spacing = trail_spacing_value(values.video(slot, video_trail_spacing));
        // The objects that show this slot's picture.
        const std::uint32_t video = video_shown(static_cast<std::uint32_t>(slot) + 1, trade);
        const long long copies = std::min<long long>(count, room);

        for (std::size_t i = 0; i < sources; ++i) {
            scene::Object& source = *scene.objects[i];
            if (source.id >= first_trail_id || source.video_number != video ||
                linked_to.count(&source) != 0) {
                continue;
            }
            for (long long j = 1; j <= copies; ++j) {
                if (next_id > 0xFFFF) {
                    return;  // ids are 16-bit: no further copies this frame
                }
                const double back = static_cast<double>(j) * (spacing + 1) / 4.0;
                float t = static_cast<float>(std::max(0.0, static_cast<double>(position) - back) /
                                             static_cast<double>(total));
                if (fly_on) {
                    t = 1 - t;
                }
                auto copy = std::make_unique<scene::Object>(source);
                copy->id = static_cast<std::uint16_t>(next_id++);
                for (const auto& path : scene.paths) {
                    if (path->link == &source) {
                        interpolate_linearly(path->keys, t, copy->motion);
                    }
                }
                scene.objects.push_back(std::move(copy));
            }
        }
    }
}

}  // namespace kdr::frame_steps
