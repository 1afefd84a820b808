#pragma once
// Small scenes built in code for the scene tests.

#include <utility>
#include <vector>

#include "kaleidra/scene/scene.h"

namespace kdr::test {

inline scene::Object& add_object(Scene& scene, std::uint16_t id) {
    auto& object = *scene.objects.emplace_back(std::make_unique<scene::Object>());
    object.id = id;
    return object;
}

inline scene::Path& add_path(Scene& scene, std::uint16_t id, std::int16_t link) {
    auto& path = *scene.paths.emplace_back(std::make_unique<scene::Path>());
    path.id = id;
    path.link_id = link;
    return path;
}

// Keys as (time, value) with tension, continuity and bias 0 and no linear
// flag.
inline scene::Envelope& add_envelope(Scene& scene, std::uint16_t id, std::int16_t link,
                                     std::uint16_t parameter,
                                     std::vector<std::pair<float, float>> keys) {
    auto& envelope = *scene.envelopes.emplace_back(std::make_unique<scene::Envelope>());
    envelope.id = id;
    envelope.link_id = link;
    envelope.parameter = parameter;
    for (auto [time, value] : keys) {
        EnvelopeKey key;
        key.time = time;
        key.value = value;
        envelope.keys.push_back(key);
    }
    return envelope;
}

inline PathKey path_key(float time, float x, float y, float z) {
    PathKey key;
    key.time = time;
    key.position[0] = x;
    key.position[1] = y;
    key.position[2] = z;
    return key;
}

}  // namespace kdr::test
