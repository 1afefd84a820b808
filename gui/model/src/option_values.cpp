#include "kaleidra/gui/option_values.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "kaleidra/scene/scene.h"

namespace kdr::gui {

scene::Envelope* settings_envelope(const EffectSettings& record, int parameter) {
    const Scene* scene = settings_scene(record);
    if (scene == nullptr) {
        return nullptr;
    }
    for (const auto& envelope : scene->envelopes) {
        if (envelope->link_id == 0 && envelope->parameter == parameter) {
            return envelope.get();
        }
    }
    return nullptr;
}

float group_value(const EffectSettings& record, int group, int value) {
    if (group < 0 || group >= video_group_count || value < 0 || value >= video_value_count) {
        return 0;
    }
    return record.video_values[group][value];
}

void set_group_value(EffectSettings& record, int group, int value, float number) {
    if (group < 0 || group >= video_group_count || value < 0 || value >= video_value_count) {
        return;
    }
    record.video_values[group][value] = number;
}

void exchange_first_two_videos(EffectSettings& record) {
    std::swap_ranges(std::begin(record.video_values[0]), std::end(record.video_values[0]),
                     std::begin(record.video_values[1]));
    Scene* scene = settings_scene(record);
    if (scene == nullptr) {
        return;
    }
    for (const auto& envelope : scene->envelopes) {
        if (envelope->link_id != 0) {
            continue;
        }
        if (envelope->parameter >= 100 && envelope->parameter <= 199) {
            envelope->parameter = static_cast<std::uint16_t>(envelope->parameter + 100);
        } else if (envelope->parameter >= 200 && envelope->parameter <= 299) {
            envelope->parameter = static_cast<std::uint16_t>(envelope->parameter - 100);
        }
    }
}

bool fly_change_exchanges(float stored, int chosen, std::uint32_t effect_type, bool loaded,
                          std::uint32_t autoreverse) {
    return static_cast<float>(chosen) != stored && loaded && effect_type == 1 && autoreverse != 0;
}

scene::Surface* find_mapping(const EffectSettings& record, int group) {
    const Scene* scene = settings_scene(record);
    if (scene == nullptr || group < 0 || group >= 0xffff) {
        return nullptr;
    }
    for (const auto& surface : scene->surfaces) {
        if (surface->id == group + 1) {
            return surface.get();
        }
    }
    return nullptr;
}

MappingStore store_mapping(EffectSettings& record, int group, const MappingInput& input) {
    Scene* scene = settings_scene(record);
    if (scene == nullptr || group < 0 || group >= 0xffff) {
        return MappingStore::no_memory;
    }
    const auto id = static_cast<std::uint16_t>(group + 1);
    if (input.entry <= 0 || input.entry >= mapping_entry_count) {
        std::erase_if(scene->surfaces, [id](const auto& surface) { return surface->id == id; });
        scene->link();
        return MappingStore::removed;
    }
    scene::Surface* surface = find_mapping(record, group);
    if (surface == nullptr) {
        try {
            auto made = std::make_unique<scene::Surface>();
            made->id = id;
            made->start = 0;
            made->end = 1;
            // A new mapping has no kind yet, so its name starts empty.
            made->source_kind = 0;
            surface = made.get();
            scene->surfaces.push_back(std::move(made));
        } catch (const std::bad_alloc&) {
            return MappingStore::no_memory;
        }
    }
    const std::uint16_t kind = mapping_kind(input.entry);
    const bool kind_changed = surface->source_kind != kind;
    surface->source_kind = kind;
    surface->video_number = static_cast<std::uint16_t>(group);
    surface->set_name(kind_changed ? "" : input.file_name.c_str());
    surface->frame_offset_or_smoothing = static_cast<float>(input.frame_offset);
    scene->link();
    return kind_changed ? MappingStore::name_cleared : MappingStore::stored;
}

const scene::Object* morph_object(const Scene& effect, int group) {
    for (const auto& object : effect.objects) {
        if (object->video_number == static_cast<std::uint32_t>(group + 1) &&
            object->morph_target_count != 0) {
            return object.get();
        }
    }
    return nullptr;
}

}  // namespace kdr::gui
