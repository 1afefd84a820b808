#include <cmath>
#include <cstring>
#include <new>

#include "frame_steps.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/value_limits.h"

namespace kdr {

FrameValues FrameValues::from(const EffectSettings& settings) {
    FrameValues values;
    std::memcpy(values.globals, settings.globals, sizeof values.globals);
    std::memcpy(values.video_values, settings.video_values, sizeof values.video_values);
    return values;
}

void FrameValues::set_parameter(int number, float value) {
    settings_set_parameter(globals, video_values, number, value);
}

namespace frame_steps {

void apply_envelopes(Scene& scene, float x, FrameValues& values) {
    for (const auto& envelope : scene.envelopes) {
        if (envelope->keys.empty()) {
            continue;
        }
        if (envelope->keys.back().time != 1) {
            EnvelopeKey last = envelope->keys.back();
            last.time = 1;
            envelope->keys.push_back(last);
        }
        const float value = evaluate_envelope(envelope->keys, x);
        if (envelope->link_id == 0) {
            values.set_parameter(envelope->parameter, value);
        } else if (envelope->link != nullptr) {
            envelope->link->set_parameter(envelope->parameter, value);
        }
    }
}

void apply_paths(Scene& scene, float x) {
    for (const auto& path : scene.paths) {
        if (path->link == nullptr || path->keys.empty()) {
            continue;
        }
        if (path->keys.back().time != 1) {
            PathKey last = path->keys.back();
            last.time = 1;
            path->keys.push_back(last);
        }
        MotionState motion;
        path->link->get_motion(motion);
        evaluate_path(path->keys, x, motion);
        path->link->set_motion(motion);
    }
}

void place_filter_source(Scene& scene, const FrameValues& values) {
    if (values.globals[global_filter_placement] != 1) {
        return;
    }
    const int source = filter_source_value(values.globals[global_filter_source]);
    if (source < 0) {
        return;  // no video has a negative index
    }
    const auto video = static_cast<std::uint32_t>(source) + 1;
    const scene::Object* marker = scene.find_object(filter_marker_id);
    const float pitch = values.globals[global_filter_rotation_x];
    const float heading = values.globals[global_filter_rotation_y];
    const float bank = values.globals[global_filter_rotation_z];
    const float distance = values.globals[global_filter_distance];
    for (const auto& object : scene.objects) {
        if (object->video_number != video) {
            continue;
        }
        scene::Object& root = *root_object(*object);
        MotionState motion;
        root.get_motion(motion);
        if (marker != nullptr) {
            std::memcpy(motion.position, marker->motion.position, sizeof motion.position);
        }
        if (pitch > 0 || heading > 0 || bank > 0) {
            motion.pitch = pitch;
            motion.heading = heading;
            motion.bank = bank;
        }
        if (distance > 0) {
            motion.position[2] = 3 - 0.1f * distance;
        }
        root.set_motion(motion);
    }
}

}  // namespace frame_steps

FrameScene build_frame_scene(const FrameSceneRequest& request) {
    FrameScene result{};
    if (request.settings != nullptr) {
        result.values = FrameValues::from(*request.settings);
    }
    if (request.scene == nullptr) {
        return result;
    }
    const float x = request.completion;
    const bool layout_preview =
        request.layout_preview ||
        (request.frame != nullptr && (request.frame->flags & flag_layout_preview) != 0);
    try {
        auto scene = std::make_unique<Scene>();
        if (!scene->copy_from(*request.scene, ImageCopy::shared)) {
            return result;
        }
        scene->remove_items_if(
            [x](const scene::SceneItem& item) { return x < item.start || x > item.end; });
        scene->link();
        frame_steps::apply_envelopes(*scene, x, result.values);
        frame_steps::apply_paths(*scene, x);
        frame_steps::apply_morphs(*scene);
        frame_steps::remove_morph_targets(*scene);
        frame_steps::place_filter_source(*scene, result.values);
        if (!layout_preview) {
            if (result.values.globals[global_lighting] != 0) {
                const int style = render_style_value(result.values.globals[global_render_style]);
                compute_normals(*scene, style == 0);
            }
            if (request.frame != nullptr) {
                frame_steps::add_trails(*scene, result.values, *request.frame, x);
            }
        }
        result.scene = std::move(scene);
    } catch (const std::bad_alloc&) {
        result.scene.reset();
    }
    return result;
}

}  // namespace kdr
