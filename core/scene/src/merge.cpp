// Bringing the user's own envelopes and paths (kept in the settings record)
// into the effect's scene.
#include "kaleidra/scene/evaluation.h"

namespace kdr {
namespace {

template <class Item>
Item* find_by_id(const std::vector<std::unique_ptr<Item>>& list, std::uint16_t id) {
    for (const auto& item : list) {
        if (item->id == id) {
            return item.get();
        }
    }
    return nullptr;
}

}  // namespace

void merge_user_items(Scene& scene, const Scene& user) {
    for (const auto& mine : user.envelopes) {
        if (scene::Envelope* theirs = find_by_id(scene.envelopes, mine->id)) {
            // The effect's item keeps its own link and time window.
            theirs->keys = mine->keys;
            theirs->parameter = mine->parameter;
        } else {
            scene.envelopes.push_back(std::make_unique<scene::Envelope>(*mine));
        }
    }
    for (const auto& mine : user.paths) {
        if (scene::Path* theirs = find_by_id(scene.paths, mine->id)) {
            theirs->keys = mine->keys;
        } else {
            scene.paths.push_back(std::make_unique<scene::Path>(*mine));
        }
    }
    scene.link();
}

}  // namespace kdr
