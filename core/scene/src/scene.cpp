#include "kaleidra/scene/scene.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "kaleidra/records/image_record.h"

namespace kdr {
namespace {

template <class Item>
void clone_list(std::vector<std::unique_ptr<Item>>& target,
                const std::vector<std::unique_ptr<Item>>& source) {
    target.reserve(source.size());
    for (const auto& item : source) {
        target.push_back(std::make_unique<Item>(*item));
    }
}

template <class Item>
bool list_differs(const std::vector<std::unique_ptr<Item>>& a,
                  const std::vector<std::unique_ptr<Item>>& b) {
    if (a.size() != b.size()) {
        return true;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i]->differs(*b[i])) {
            return true;
        }
    }
    return false;
}

bool copy_image(ImageRecord& target, const ImageRecord& source, ImageCopy mode) {
    if (mode == ImageCopy::shared) {
        image_shallow_copy(target, source);
        return source.name == nullptr || target.name != nullptr;
    }
    return image_deep_copy(target, source);
}

}  // namespace

Scene::Scene() {
    image_construct(preview);
}

Scene::~Scene() {
    clear();
}

void Scene::clear() {
    type = 0;
    name.clear();
    description.clear();
    video_names.clear();
    best_frame = 0;
    allow = 0;
    image_release_all(preview);
    cameras.clear();
    lights.clear();
    objects.clear();
    surfaces.clear();
    paths.clear();
    envelopes.clear();
    warps.clear();
    for (ImageRecord& texture : textures) {
        image_release_all(texture);
    }
    textures.clear();
}

bool Scene::copy_from(const Scene& other, ImageCopy images) {
    if (&other == this) {
        return true;
    }
    clear();
    try {
        type = other.type;
        name = other.name;
        description = other.description;
        best_frame = other.best_frame;
        allow = other.allow;
        video_names = other.video_names;
        if (!copy_image(preview, other.preview, images)) {
            throw std::bad_alloc();
        }
        clone_list(cameras, other.cameras);
        clone_list(lights, other.lights);
        clone_list(objects, other.objects);
        clone_list(surfaces, other.surfaces);
        clone_list(paths, other.paths);
        clone_list(envelopes, other.envelopes);
        clone_list(warps, other.warps);
        link();
        textures.reserve(other.textures.size());
        for (const ImageRecord& source : other.textures) {
            textures.emplace_back();
            image_construct(textures.back());
            if (!copy_image(textures.back(), source, images)) {
                throw std::bad_alloc();
            }
        }
    } catch (const std::bad_alloc&) {
        clear();
        return false;
    }
    return true;
}

bool Scene::differs(const Scene& other) const {
    return type != other.type || allow != other.allow || list_differs(cameras, other.cameras) ||
           list_differs(lights, other.lights) || list_differs(objects, other.objects) ||
           list_differs(surfaces, other.surfaces) || list_differs(paths, other.paths) ||
           list_differs(envelopes, other.envelopes) || list_differs(warps, other.warps);
}

std::size_t Scene::item_count(scene::ItemKind kind) const {
    switch (kind) {
        case scene::ItemKind::camera:
            return cameras.size();
        case scene::ItemKind::light:
            return lights.size();
        case scene::ItemKind::object:
            return objects.size();
        case scene::ItemKind::surface:
            return surfaces.size();
        case scene::ItemKind::path:
            return paths.size();
        case scene::ItemKind::envelope:
            return envelopes.size();
        case scene::ItemKind::warp:
            return warps.size();
    }
    return 0;
}

scene::SceneItem* Scene::item(scene::ItemKind kind, std::size_t index) const {
    if (index >= item_count(kind)) {
        return nullptr;
    }
    switch (kind) {
        case scene::ItemKind::camera:
            return cameras[index].get();
        case scene::ItemKind::light:
            return lights[index].get();
        case scene::ItemKind::object:
            return objects[index].get();
        case scene::ItemKind::surface:
            return surfaces[index].get();
        case scene::ItemKind::path:
            return paths[index].get();
        case scene::ItemKind::envelope:
            return envelopes[index].get();
        case scene::ItemKind::warp:
            return warps[index].get();
    }
    return nullptr;
}

scene::Surface* Scene::find_surface(std::uint16_t id) const {
    for (const auto& surface : surfaces) {
        if (surface->id == id) {
            return surface.get();
        }
    }
    return nullptr;
}

scene::Object* Scene::find_object(std::uint16_t id) const {
    for (const auto& object : objects) {
        if (object->id == id) {
            return object.get();
        }
    }
    return nullptr;
}

int Scene::find_texture(const char* texture_name) const {
    if (texture_name == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < textures.size(); ++i) {
        if (textures[i].name != nullptr && std::strcmp(textures[i].name, texture_name) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

scene::Object* root_object(scene::Object& object) {
    // Chains are short; remembering them guards hand-built circles.
    std::vector<const scene::Object*> seen{&object};
    scene::Object* root = &object;
    while (root->parent != nullptr &&
           std::find(seen.begin(), seen.end(), root->parent) == seen.end()) {
        root = root->parent;
        seen.push_back(root);
    }
    return root;
}

}  // namespace kdr
