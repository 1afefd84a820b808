// Linking items to the items they act on, and loading the textures of an
// effect's texture surfaces.
#include <numeric>
#include <string>
#include <unordered_map>

#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/scene.h"

namespace kdr {
namespace {

// Disjoint sets over object indices, each set remembering the object at the
// root of its parent tree, so that closing a circle is seen in near-constant
// time however long the chains are.
class ParentForest {
  public:
    explicit ParentForest(std::size_t count) : m_set(count), m_root(count) {
        std::iota(m_set.begin(), m_set.end(), 0);
        std::iota(m_root.begin(), m_root.end(), 0);
    }
    std::size_t root_of(std::size_t object) { return m_root[find(object)]; }
    // Hangs the tree of root `child` below `parent`.
    void attach(std::size_t child, std::size_t parent) {
        const std::size_t tree_root = root_of(parent);
        const std::size_t set = find(parent);
        m_set[find(child)] = set;
        m_root[set] = tree_root;
    }

  private:
    std::size_t find(std::size_t i) {
        while (m_set[i] != i) {
            m_set[i] = m_set[m_set[i]];
            i = m_set[i];
        }
        return i;
    }
    std::vector<std::size_t> m_set;
    std::vector<std::size_t> m_root;
};

}  // namespace

void Scene::link() {
    // For each list, the last item holding each id.
    std::unordered_map<std::uint16_t, scene::SceneItem*> by_id[scene::item_kind_count];
    std::unordered_map<std::uint16_t, std::size_t> object_index;
    for (int kind = 0; kind < scene::item_kind_count; ++kind) {
        const std::size_t count = item_count(static_cast<scene::ItemKind>(kind));
        by_id[kind].reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            scene::SceneItem* entry = item(static_cast<scene::ItemKind>(kind), i);
            by_id[kind][entry->id] = entry;
        }
    }
    for (std::size_t i = 0; i < objects.size(); ++i) {
        object_index[objects[i]->id] = i;
    }

    for (int kind = 0; kind < scene::item_kind_count; ++kind) {
        const std::size_t count = item_count(static_cast<scene::ItemKind>(kind));
        for (std::size_t i = 0; i < count; ++i) {
            scene::SceneItem* entry = item(static_cast<scene::ItemKind>(kind), i);
            entry->link = nullptr;
            entry->parent = nullptr;
            if (entry->link_id == 0) {
                continue;
            }
            const auto wanted = static_cast<std::uint16_t>(entry->link_id);
            for (int list = scene::item_kind_count - 1; list >= 0; --list) {
                auto found = by_id[list].find(wanted);
                if (found != by_id[list].end()) {
                    entry->link = found->second;
                    break;
                }
            }
        }
    }

    ParentForest forest(objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i) {
        scene::Object& object = *objects[i];
        if (object.parent_id == 0) {
            continue;
        }
        auto found = object_index.find(static_cast<std::uint16_t>(object.parent_id));
        if (found == object_index.end() || forest.root_of(found->second) == i) {
            continue;  // no such object, or a circle: the object stays a root
        }
        object.parent = objects[found->second].get();
        forest.attach(i, found->second);
    }
}

void Scene::load_textures() {
    for (ImageRecord& texture : textures) {
        image_release_all(texture);
    }
    textures.clear();
    std::size_t count = 0;
    for (const auto& surface : surfaces) {
        count += surface->source_kind == source_texture ? 1 : 0;
    }
    textures.resize(count);
    for (ImageRecord& texture : textures) {
        image_construct(texture);
    }
    // The first texture of each name, which is the one lookups find.
    std::unordered_map<std::string, int> first_of_name;
    int next = 0;
    for (const auto& surface : surfaces) {
        surface->texture_index = -1;
        if (surface->source_kind != source_texture) {
            continue;
        }
        const int index = next++;
        ImageRecord& texture = textures[static_cast<std::size_t>(index)];
        const char* texture_name = surface->name.data();
        const auto [first, is_new] = first_of_name.emplace(texture_name, index);
        if (is_new) {
            // A texture that cannot be loaded leaves the record without
            // pixels, and the engines draw its surfaces untextured, as they
            // always have: an effect is not refused for a missing texture.
            (void)load_texture_file(texture, texture_name);
        }
        if (!image_set_name(texture, texture_name)) {
            image_release_all(texture);
        }
        surface->texture_index = first->second;
    }
}

}  // namespace kdr
