#include "description_checks.h"

#include <map>
#include <set>

namespace kdr::effectc {

bool is_settings_parameter(int number) {
    if (number >= 0 && number <= 21) {
        return true;
    }
    int group = number / 100 - 1;
    int value = number % 100;
    return group >= 0 && group < 20 && value < 10;
}

namespace {

constexpr std::size_t max_name_length = 40;
constexpr std::size_t max_texture_name_length = 255;
constexpr std::size_t max_vertices = 65535;

void check_header(const EffectSource& effect) {
    SourceLocation top{effect.where.file, effect.where.line > 0 ? effect.where.line : 1};
    if (effect.name.empty()) {
        throw DescriptionError(top, "the effect has no name (an \"effect NAME\" line)");
    }
    if (effect.name.size() > max_name_length) {
        throw DescriptionError(top, "the effect's name is longer than 40 characters");
    }
    for (char c : effect.name) {
        if (c == '/' || c == '\\' || c == '.' || static_cast<unsigned char>(c) < 32) {
            throw DescriptionError(top, "the effect's name is a file name: no '/', '\\' or '.'");
        }
    }
    if (effect.video_names.empty() || effect.video_names.size() > 20) {
        throw DescriptionError(top, "the effect needs a \"videos\" line naming 1 to 20 videos");
    }
    if (effect.type == 1 && effect.video_names.size() != 2) {
        throw DescriptionError(top, "a type 1 effect (a two-video transition) has two videos");
    }
    if (effect.best_frame < 0 || effect.best_frame > 100) {
        throw DescriptionError(top, "the best frame is a percentage from 0 to 100");
    }
    if (effect.cameras.empty()) {
        throw DescriptionError(top, "the effect has no camera");
    }
}

void check_keys(const std::vector<EnvelopeKeySource>& keys, const SourceLocation& where) {
    if (keys.empty()) {
        throw DescriptionError(where, "an envelope without keys");
    }
}

}  // namespace

void check_description(EffectSource& effect) {
    check_header(effect);

    std::map<int, SourceLocation> ids;
    auto claim = [&](int id, const SourceLocation& where) {
        auto [place, fresh] = ids.emplace(id, where);
        if (!fresh) {
            throw DescriptionError(where, "id " + std::to_string(id) + " is already used at line " +
                                              std::to_string(place->second.line));
        }
    };
    for (const CameraSource& camera : effect.cameras) {
        claim(camera.id, camera.where);
        if (!(camera.near_distance > 0) || !(camera.far_distance > camera.near_distance)) {
            throw DescriptionError(camera.where, "the camera needs 0 < near < far");
        }
    }
    std::map<std::uint16_t, const SurfaceSource*> surfaces;
    for (const SurfaceSource& surface : effect.surfaces) {
        claim(surface.id, surface.where);
        surfaces[surface.id] = &surface;
        if (surface.kind == SurfaceKind::video && surface.video > effect.video_names.size()) {
            throw DescriptionError(surface.where, "the surface shows video " +
                                                      std::to_string(surface.video) +
                                                      " but the effect has " +
                                                      std::to_string(effect.video_names.size()));
        }
        if (surface.kind == SurfaceKind::texture &&
            (surface.texture.empty() || surface.texture.size() > max_texture_name_length)) {
            throw DescriptionError(surface.where, "a texture name has 1 to 255 characters");
        }
    }
    std::map<std::uint16_t, ObjectSource*> objects;
    for (ObjectSource& object : effect.objects) {
        claim(object.id, object.where);
        objects[object.id] = &object;
    }

    for (ObjectSource& object : effect.objects) {
        if (object.id == marker_id && !object.mesh.vertices.empty()) {
            throw DescriptionError(object.where,
                                   "the filter placement marker (20000) is a point: no mesh");
        }
        if (object.mesh.vertices.size() > max_vertices) {
            throw DescriptionError(object.where, "the object has more than 65535 vertices");
        }
        std::set<std::uint16_t> videos;
        for (const MeshPolygon& polygon : object.mesh.polygons) {
            auto found = surfaces.find(polygon.surface);
            if (found == surfaces.end()) {
                throw DescriptionError(object.where, "the mesh uses surface " +
                                                         std::to_string(polygon.surface) +
                                                         ", which is not declared");
            }
            if (found->second->kind == SurfaceKind::video) {
                videos.insert(found->second->video);
            }
        }
        if (object.video == 0 && videos.size() == 1) {
            object.video = *videos.begin();
        } else if (object.video == 0 && videos.size() > 1) {
            throw DescriptionError(object.where,
                                   "the object shows several videos: say which one it belongs to "
                                   "(\"video N\")");
        }
        if (object.video > effect.video_names.size()) {
            throw DescriptionError(object.where, "the object belongs to video " +
                                                     std::to_string(object.video) +
                                                     " but the effect has " +
                                                     std::to_string(effect.video_names.size()));
        }
        if (object.parent != 0) {
            if (objects.count(object.parent) == 0) {
                throw DescriptionError(object.where, "the parent " + std::to_string(object.parent) +
                                                         " is not an object");
            }
            // Walk up: a chain longer than the object count has a cycle.
            std::uint16_t at = object.parent;
            for (std::size_t steps = 0; at != 0; ++steps) {
                if (steps > effect.objects.size() || at == object.id) {
                    throw DescriptionError(object.where, "the parent chain loops");
                }
                auto up = objects.find(at);
                at = up == objects.end() ? 0 : up->second->parent;
            }
        }
        for (const Mesh& target : object.morph_targets) {
            if (target.vertices.size() != object.mesh.vertices.size()) {
                throw DescriptionError(
                    object.where, "a morph target has " + std::to_string(target.vertices.size()) +
                                      " vertices but the mesh has " +
                                      std::to_string(object.mesh.vertices.size()) +
                                      " (build both with the same cols and rows)");
            }
        }
        bool has_targets = !object.morph_targets.empty();
        if (object.morph_of != 0) {
            if (has_targets) {
                throw DescriptionError(
                    object.where, "an object has its own targets or shares another's, not both");
            }
            auto other = objects.find(object.morph_of);
            if (other == objects.end() || other->second->morph_targets.empty()) {
                throw DescriptionError(object.where, "morph_of " + std::to_string(object.morph_of) +
                                                         " names no object with morph targets");
            }
            if (other->second->mesh.vertices.size() != object.mesh.vertices.size()) {
                throw DescriptionError(object.where,
                                       "the mesh must have as many vertices as that of object " +
                                           std::to_string(object.morph_of));
            }
            has_targets = true;
        }
        for (const EnvelopeSource& envelope : object.envelopes) {
            check_keys(envelope.keys, envelope.where);
            if (envelope.parameter == object_parameter_morph && !has_targets) {
                throw DescriptionError(envelope.where,
                                       "a morph envelope on an object without "
                                       "morph targets");
            }
        }
    }
    for (const EnvelopeSource& envelope : effect.settings_envelopes) {
        check_keys(envelope.keys, envelope.where);
        if (!is_settings_parameter(envelope.parameter)) {
            throw DescriptionError(envelope.where,
                                   std::to_string(envelope.parameter) +
                                       " is not a settings value (0..21, or (v+1)*100+k)");
        }
    }
}

}  // namespace kdr::effectc
