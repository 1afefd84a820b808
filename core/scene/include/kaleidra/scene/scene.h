#pragma once
// An effect's scene: header values, seven item lists and the texture images
// of its kind-2 surfaces. A Scene owns everything it holds; copies are deep.
// Used by one thread at a time (engines give each render context its own).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/scene/items.h"

namespace kdr {

// How a copy takes the preview image and the textures: deep copies that own
// their pixels, or records that point at the source's pixels (for frame
// scenes, which never outlive the scene they were made from).
enum class ImageCopy { deep, shared };

class Scene {
  public:
    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Frees strings, video names, all items, textures and the preview image.
    void clear();
    // Type, strings, best frame, allow word, video names, preview image,
    // every item by clone in list order, relinked, and the texture images.
    // False when memory runs out (the scene is then cleared).
    [[nodiscard]] bool copy_from(const Scene& other, ImageCopy images = ImageCopy::deep);
    // Type or allow word differ, or any list differs in count or in a pair of
    // items at the same place.
    bool differs(const Scene& other) const;

    // Hands one chunk to the parser: item chunks become items appended to
    // their list (dropped when they cannot be built); header chunks set header
    // values; every other identifier is ignored.
    void parse_chunk(const chunks::Chunk& chunk);
    // Sets every item's link (the last item with the id, later lists
    // winning) and every object's parent (the last object with the id). A
    // parent that would close a circle is left unset, so parent chains
    // always end at a root.
    void link();
    // One texture per kind-2 surface, in surface order, from "Textures",
    // named as the surface; each such surface gets the index of the first
    // texture of its name. A name met again is not loaded twice (lookups
    // find the first).
    void load_textures();
    // Writes every item as a chunk, lists 0 to 6, items in list order.
    // Does nothing when the stream's status is not ready.
    void write_items(chunks::ChunkStream& stream) const;

    // Loads "EFFECTS" / name ".KDR" below the installation folder. With a
    // non-zero `stop`, stops right after the chunk with that identifier.
    // Succeeds when the stream ended with status 0 or 1.
    [[nodiscard]] bool load(const char* effect_name, chunks::ChunkId stop = 0);
    [[nodiscard]] bool load_file(const std::filesystem::path& file, chunks::ChunkId stop = 0);

    // Header values.
    std::uint32_t type = 0;  // 1 = two-video transition whose videos swap flying on
    std::string name;
    std::string description;
    std::vector<std::string> video_names;  // sized by the video count (at most max_video_count)
    float best_frame = 0;                  // completion percentage for previews ("BEST", 32-bit)
    std::uint32_t allow = 0;               // bit 0: may be listed in the catalogue
    ImageRecord preview;                   // owned

    std::vector<std::unique_ptr<scene::Camera>> cameras;
    std::vector<std::unique_ptr<scene::Light>> lights;
    std::vector<std::unique_ptr<scene::Object>> objects;
    std::vector<std::unique_ptr<scene::Surface>> surfaces;
    std::vector<std::unique_ptr<scene::Path>> paths;
    std::vector<std::unique_ptr<scene::Envelope>> envelopes;
    std::vector<std::unique_ptr<scene::Warp>> warps;

    std::vector<ImageRecord> textures;  // owned

    static constexpr std::uint32_t max_video_count = 256;

    // Generic access to the lists by kind.
    std::size_t item_count(scene::ItemKind kind) const;
    scene::SceneItem* item(scene::ItemKind kind, std::size_t index) const;

    // Removes every item of every list for which `remove(item)` is true; links
    // must be set again afterwards.
    template <class Predicate>
    void remove_items_if(Predicate remove);

    // Lookups used by the drawing core (the first item with the id).
    scene::Surface* find_surface(std::uint16_t id) const;
    scene::Object* find_object(std::uint16_t id) const;
    // The first texture whose name equals `name` (case-sensitive), or -1.
    int find_texture(const char* name) const;
};

// The root of the object's parent chain (the object itself when it has no
// parent). Parent chains set by Scene::link() never close a circle; a chain
// built by hand that does ends at the last object before the repeat.
scene::Object* root_object(scene::Object& object);

template <class Predicate>
void Scene::remove_items_if(Predicate remove) {
    auto prune = [&](auto& list) {
        std::erase_if(list, [&](const auto& item) { return remove(*item); });
    };
    prune(cameras);
    prune(lights);
    prune(objects);
    prune(surfaces);
    prune(paths);
    prune(envelopes);
    prune(warps);
}

}  // namespace kdr
