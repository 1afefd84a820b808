#include "kaleidra/effectc/effect_writer.h"

#include <cstring>
#include <memory>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"

namespace kdr::effectc {
namespace {

using chunks::ChunkStream;
using chunks::make_id;

constexpr chunks::ChunkId form_kdre = make_id("KDRE");

MotionState to_motion(const Motion& motion) {
    MotionState state;
    for (int k = 0; k < 3; ++k) {
        state.position[k] = static_cast<float>(motion.position[k]);
        state.scale[k] = static_cast<float>(motion.scale[k]);
    }
    state.pitch = static_cast<float>(motion.rotation[0]);
    state.heading = static_cast<float>(motion.rotation[1]);
    state.bank = static_cast<float>(motion.rotation[2]);
    return state;
}

PathKey to_key(const PathKeySource& source) {
    PathKey key = to_motion(source.motion);
    key.time = static_cast<float>(source.time);
    key.tension = static_cast<float>(source.tension);
    key.continuity = static_cast<float>(source.continuity);
    key.bias = static_cast<float>(source.bias);
    key.linear = source.linear ? 1 : 0;
    return key;
}

std::unique_ptr<scene::Envelope> make_envelope(const EnvelopeSource& source, std::uint16_t id,
                                               std::int16_t link) {
    auto envelope = std::make_unique<scene::Envelope>();
    envelope->id = id;
    envelope->link_id = link;
    envelope->parameter = source.parameter;
    for (const EnvelopeKeySource& k : source.keys) {
        EnvelopeKey key;
        key.time = static_cast<float>(k.time);
        key.value = static_cast<float>(k.value);
        key.tension = static_cast<float>(k.tension);
        key.continuity = static_cast<float>(k.continuity);
        key.bias = static_cast<float>(k.bias);
        key.linear = k.linear ? 1 : 0;
        envelope->keys.push_back(key);
    }
    return envelope;
}

std::unique_ptr<scene::Path> make_path(const std::vector<PathKeySource>& keys, std::uint16_t id,
                                       std::int16_t link) {
    auto path = std::make_unique<scene::Path>();
    path->id = id;
    path->link_id = link;
    for (const PathKeySource& key : keys) {
        path->keys.push_back(to_key(key));
    }
    return path;
}

void fill_geometry(scene::Object& object, const Mesh& mesh) {
    object.vertices.clear();
    for (const Point& p : mesh.vertices) {
        object.vertices.push_back(
            {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
    }
    object.polygons.clear();
    for (const MeshPolygon& source : mesh.polygons) {
        scene::Polygon polygon;
        polygon.corner_count = static_cast<std::uint16_t>(source.corner_count);
        polygon.surface_id = source.surface;
        for (int c = 0; c < source.corner_count; ++c) {
            polygon.vertex[c] = static_cast<std::uint16_t>(source.vertex[c]);
            polygon.s[c] = static_cast<float>(source.s[c]);
            polygon.t[c] = static_cast<float>(source.t[c]);
        }
        object.polygons.push_back(polygon);
    }
}

std::vector<std::uint8_t> text_chunk(const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

template <typename T>
std::vector<std::uint8_t> word_chunk(T value) {
    static_assert(sizeof(T) == 4);
    std::vector<std::uint8_t> data(4);
    std::memcpy(data.data(), &value, 4);
    return data;
}

bool is_item_chunk(chunks::ChunkId id) {
    for (const char* name : {"CAM0", "LIT0", "OBJ0", "SRF0", "PTH0", "ENV0", "WRP0"}) {
        if (id == chunks::id_from_text(name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void build_scene(const EffectSource& effect, Scene& scene) {
    scene.clear();
    scene.type = effect.type;
    scene.name = effect.name;
    scene.description = effect.description;
    scene.video_names = effect.video_names;
    scene.best_frame = static_cast<float>(effect.best_frame);
    scene.allow = effect.allow;

    std::uint16_t next_id = first_generated_id;
    for (const CameraSource& source : effect.cameras) {
        auto camera = std::make_unique<scene::Camera>();
        camera->id = source.id;
        camera->start = static_cast<float>(source.start);
        camera->end = static_cast<float>(source.end);
        camera->motion = to_motion(source.motion);
        camera->field_of_view = static_cast<float>(source.field_of_view);
        camera->near_distance = static_cast<float>(source.near_distance);
        camera->far_distance = static_cast<float>(source.far_distance);
        if (!source.keys.empty()) {
            scene.paths.push_back(
                make_path(source.keys, next_id++, static_cast<std::int16_t>(source.id)));
        }
        scene.cameras.push_back(std::move(camera));
    }
    for (const SurfaceSource& source : effect.surfaces) {
        auto surface = std::make_unique<scene::Surface>();
        surface->id = source.id;
        surface->source_kind = static_cast<std::uint16_t>(source.kind);
        surface->video_number = source.kind == SurfaceKind::video ? source.video : 0;
        for (int c = 0; c < 4; ++c) {
            surface->first_colour[c] = static_cast<float>(source.colour[c]);
            surface->diffuse[c] = static_cast<float>(source.colour[c]);
        }
        std::strncpy(surface->name.data(), source.texture.c_str(), surface->name.size() - 1);
        surface->frame_offset_or_smoothing = source.smooth ? 1.0f : 0.0f;
        surface->two_sided = source.two_sided ? 1 : 0;
        scene.surfaces.push_back(std::move(surface));
    }

    // First ids of each object's morph chain, numbered before any object is
    // built so that morph_of can point at a chain that comes later.
    std::vector<std::unique_ptr<scene::Object>> targets;
    std::vector<std::uint16_t> first_target_id(effect.objects.size(), 0);
    for (std::size_t i = 0; i < effect.objects.size(); ++i) {
        const ObjectSource& source = effect.objects[i];
        if (source.morph_targets.empty()) {
            continue;
        }
        first_target_id[i] = next_id;
        for (std::size_t t = 0; t < source.morph_targets.size(); ++t) {
            auto target = std::make_unique<scene::Object>();
            target->id = next_id++;
            target->morph_target_flag = 1;
            bool last = t + 1 == source.morph_targets.size();
            target->next_morph_target_id = last ? 0 : static_cast<std::uint16_t>(target->id + 1);
            fill_geometry(*target, source.morph_targets[t]);
            target->polygons.clear();  // a target only lends its vertices
            targets.push_back(std::move(target));
        }
    }
    for (std::size_t i = 0; i < effect.objects.size(); ++i) {
        const ObjectSource& source = effect.objects[i];
        auto object = std::make_unique<scene::Object>();
        object->id = source.id;
        object->start = static_cast<float>(source.start);
        object->end = static_cast<float>(source.end);
        object->parent_id = static_cast<std::int16_t>(source.parent);
        object->video_number = source.video;
        object->flags[1] = source.casts_shadow ? 1 : 0;
        object->own_transparency = static_cast<float>(source.transparency);
        object->morph_position = static_cast<float>(source.morph_position);
        for (int k = 0; k < 3; ++k) {
            object->pivot[k] = static_cast<float>(source.pivot[k]);
        }
        object->motion = to_motion(source.motion);
        fill_geometry(*object, source.mesh);
        std::size_t chain = i;
        if (source.morph_of != 0) {
            for (std::size_t j = 0; j < effect.objects.size(); ++j) {
                chain = effect.objects[j].id == source.morph_of ? j : chain;
            }
        }
        if (first_target_id[chain] != 0) {
            object->next_morph_target_id = first_target_id[chain];
            object->morph_target_count =
                static_cast<std::uint32_t>(effect.objects[chain].morph_targets.size());
        }
        auto link = static_cast<std::int16_t>(source.id);
        if (!source.keys.empty()) {
            scene.paths.push_back(make_path(source.keys, next_id++, link));
        }
        for (const EnvelopeSource& envelope : source.envelopes) {
            scene.envelopes.push_back(make_envelope(envelope, next_id++, link));
        }
        scene.objects.push_back(std::move(object));
    }
    for (auto& target : targets) {
        scene.objects.push_back(std::move(target));
    }
    for (const EnvelopeSource& envelope : effect.settings_envelopes) {
        scene.envelopes.push_back(make_envelope(envelope, next_id++, 0));
    }
    scene.link();
}

std::string write_effect_file(const Scene& scene, const std::filesystem::path& file) {
    ChunkStream stream = ChunkStream::open_file(chunks::ChunkMode::write_file, file, form_kdre);
    auto put = [&](const char* id, const std::vector<std::uint8_t>& data) {
        stream.write_chunk(chunks::id_from_text(id), static_cast<std::uint32_t>(data.size()),
                           data.data());
    };
    put("ENAM", text_chunk(scene.name));
    put("DESC", text_chunk(scene.description));
    put("ETYP", word_chunk(scene.type));
    put("VCNT", word_chunk(static_cast<std::uint32_t>(scene.video_names.size())));
    for (std::size_t i = 0; i < scene.video_names.size(); ++i) {
        std::vector<std::uint8_t> data = word_chunk(static_cast<std::uint32_t>(i));
        std::vector<std::uint8_t> name = text_chunk(scene.video_names[i]);
        data.insert(data.end(), name.begin(), name.end());
        put("VDSC", data);
    }
    put("BEST", word_chunk(scene.best_frame));
    put("ALOW", word_chunk(scene.allow));
    if (image_has_pixels(scene.preview)) {
        put("IMG0", write_embedded_image(scene.preview));
    }
    scene.write_items(stream);
    int status = stream.status();
    int closed = stream.close();
    if (status != chunks::ready || closed != chunks::ready) {
        return file.string() + ": cannot be written (" +
               chunks::chunk_status_text(status != chunks::ready ? status : closed) + ")";
    }
    return {};
}

std::string write_effect_with_icon(const std::filesystem::path& source, const ImageRecord& icon,
                                   const std::filesystem::path& target) {
    if (!image_has_pixels(icon)) {
        return "the icon has no pixels";
    }
    ChunkStream in = ChunkStream::open_file(chunks::ChunkMode::read_file, source, form_kdre);
    ChunkStream out = ChunkStream::open_file(chunks::ChunkMode::write_file, target, form_kdre);
    const chunks::ChunkId img0 = make_id("IMG0");
    bool icon_written = false;
    auto write_icon = [&] {
        std::vector<std::uint8_t> data = write_embedded_image(icon);
        out.write_chunk(img0, static_cast<std::uint32_t>(data.size()), data.data());
        icon_written = true;
    };
    chunks::Chunk chunk;
    while (in.read_chunk(chunk) == chunks::ready && out.status() == chunks::ready) {
        if (chunk.id == img0) {
            continue;
        }
        if (!icon_written && is_item_chunk(chunk.id)) {
            write_icon();
        }
        out.write_chunk(chunk.id, chunk.length, chunk.data);
    }
    if (in.status() != chunks::end_of_data) {
        return source.string() + ": cannot be read (" + chunks::chunk_status_text(in.status()) +
               ")";
    }
    if (!icon_written && out.status() == chunks::ready) {
        write_icon();
    }
    int status = out.status();
    int closed = out.close();
    if (status != chunks::ready || closed != chunks::ready) {
        return target.string() + ": cannot be written";
    }
    return {};
}

}  // namespace kdr::effectc
