#pragma once
// A settings record for the editing tests, destroyed with the test, and a
// small effect scene to edit against.

#include <gtest/gtest.h>

#include <memory>

#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"

namespace kdr::gui::test {

struct Record {
    EffectSettings value;
    Record() { EXPECT_TRUE(settings_initialise(value)); }
    ~Record() { settings_destroy(value); }
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    Scene& scene() { return *settings_scene(value); }
};

inline EnvelopeKey envelope_key(float time, float value, std::uint16_t linear = 0) {
    EnvelopeKey key;
    key.time = time;
    key.value = value;
    key.linear = linear;
    return key;
}

inline scene::Envelope& add_envelope(Scene& scene, std::uint16_t id, std::int16_t link,
                                     std::uint16_t parameter) {
    auto envelope = std::make_unique<scene::Envelope>();
    envelope->id = id;
    envelope->link_id = link;
    envelope->parameter = parameter;
    envelope->keys = {envelope_key(0, 1), envelope_key(1, 2)};
    scene::Envelope& kept = *envelope;
    scene.envelopes.push_back(std::move(envelope));
    return kept;
}

inline scene::Object& add_object(Scene& scene, std::uint16_t id, std::uint32_t video) {
    auto object = std::make_unique<scene::Object>();
    object->id = id;
    object->video_number = video;
    scene::Object& kept = *object;
    scene.objects.push_back(std::move(object));
    return kept;
}

inline scene::Path& add_path(Scene& scene, std::uint16_t id, std::int16_t link,
                             std::initializer_list<std::pair<float, float>> time_and_x) {
    auto path = std::make_unique<scene::Path>();
    path->id = id;
    path->link_id = link;
    for (auto [time, x] : time_and_x) {
        PathKey key;
        key.time = time;
        key.position[0] = x;
        path->keys.push_back(key);
    }
    scene::Path& kept = *path;
    scene.paths.push_back(std::move(path));
    return kept;
}

}  // namespace kdr::gui::test
