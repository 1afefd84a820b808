// Morphing objects: an object blends between its own shape and the shapes of
// the objects along its chain of next-morph-target ids.
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "frame_steps.h"

namespace kdr::frame_steps {
namespace {

// The shapes of the chain: the object itself first, then each next target,
// until `wanted` shapes are found. The chain stops early at an id that names
// no object, at an object met before (a circle), and at a target with fewer
// vertices than the object (its shape could not be read).
std::vector<const scene::Object*> morph_shapes(
    const scene::Object& object, std::size_t wanted,
    const std::unordered_map<std::uint16_t, const scene::Object*>& by_id) {
    std::vector<const scene::Object*> shapes{&object};
    std::unordered_set<const scene::Object*> seen{&object};
    const scene::Object* current = &object;
    while (shapes.size() < wanted) {
        auto found = by_id.find(current->next_morph_target_id);
        if (current->next_morph_target_id == 0 || found == by_id.end()) {
            break;
        }
        const scene::Object* next = found->second;
        if (!seen.insert(next).second || next->vertices.size() < object.vertices.size()) {
            break;
        }
        shapes.push_back(next);
        current = next;
    }
    return shapes;
}

}  // namespace

void apply_morphs(Scene& scene) {
    std::unordered_map<std::uint16_t, const scene::Object*> by_id;
    for (const auto& object : scene.objects) {
        by_id.emplace(object->id, object.get());  // the first object of each id
    }
    // Every blend reads the shapes as they were before any object changed.
    std::vector<std::pair<scene::Object*, std::vector<Vec3>>> blended;
    for (const auto& object : scene.objects) {
        const float m = object->morph_position;
        if (object->id >= first_trail_id || m == 0 || object->morph_target_count == 0) {
            continue;
        }
        const std::size_t wanted =
            std::min<std::size_t>(object->morph_target_count, scene.objects.size()) + 1;
        const std::vector<const scene::Object*> shapes = morph_shapes(*object, wanted, by_id);
        const std::size_t count = shapes.size() - 1;
        if (count == 0 || !(m > 0)) {
            continue;
        }
        const float position = std::min(m, static_cast<float>(count));
        const std::size_t j = std::min(static_cast<std::size_t>(std::floor(position)), count - 1);
        const float f = position - static_cast<float>(j);
        const std::vector<Vec3>& from = shapes[j]->vertices;
        const std::vector<Vec3>& to = shapes[j + 1]->vertices;
        std::vector<Vec3> result(object->vertices.size());
        for (std::size_t v = 0; v < result.size(); ++v) {
            for (int axis = 0; axis < 3; ++axis) {
                result[v][axis] = from[v][axis] + f * (to[v][axis] - from[v][axis]);
            }
        }
        blended.emplace_back(object.get(), std::move(result));
    }
    for (auto& [object, vertices] : blended) {
        object->vertices = std::move(vertices);
    }
}

void remove_morph_targets(Scene& scene) {
    std::erase_if(scene.objects, [](const auto& object) { return object->morph_target_flag != 0; });
    scene.link();
}

}  // namespace kdr::frame_steps
