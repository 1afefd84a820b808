#include "kaleidra/scene/effect_settings.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "kaleidra/scene/scene.h"

namespace kdr {
namespace {

using chunks::make_id;

constexpr chunks::ChunkId form_kdrr = make_id("KDRR");
constexpr chunks::ChunkId chunk_rin0 = make_id("RIN0");

// Name, padding, global and per-video values as stored: 41 + 120 + 800 bytes
// counted from the start of the record. The last stored byte is the lowest
// byte of per-video value 9 of group 19.
constexpr std::uint32_t stored_record_size = 961;
// A stored record may fill everything before the embedded scene.
constexpr std::size_t readable_record_size = offsetof(EffectSettings, scene_storage);
static_assert(readable_record_size == 964);

void zero_values(EffectSettings& settings) {
    std::memset(settings.name, 0, sizeof settings.name);
    std::memset(settings.globals, 0, sizeof settings.globals);
    std::memset(settings.video_values, 0, sizeof settings.video_values);
}

// The record's scene, made when the record has none yet (a record that was
// never initialised, or whose scene could not be made).
Scene* ensure_scene(EffectSettings& settings) {
    Scene* scene = settings_scene(settings);
    if (scene == nullptr) {
        scene = new (std::nothrow) Scene();
        set_settings_scene(settings, scene);
    }
    return scene;
}

bool goes_to_scene(chunks::ChunkId id) {
    switch (id) {
        case make_id("CAM0"):
        case make_id("LIT0"):
        case make_id("OBJ0"):
        case make_id("SRF0"):
        case make_id("PTH0"):
        case make_id("ENV0"):
        case make_id("WRP0"):
        case make_id("ENAM"):
        case make_id("DESC"):
        case make_id("ETYP"):
        case make_id("VCNT"):
        case make_id("VDSC"):
        case make_id("BEST"):
            return true;
        default:
            return false;
    }
}

}  // namespace

bool settings_initialise(EffectSettings& settings) {
    // Every byte, the padding after the name too: the stored form carries
    // the record's bytes, and the same settings must store the same bytes.
    std::memset(static_cast<void*>(&settings), 0, sizeof settings);
    Scene* scene = new (std::nothrow) Scene();
    set_settings_scene(settings, scene);
    return scene != nullptr;
}

void settings_destroy(EffectSettings& settings) {
    zero_values(settings);
    delete settings_scene(settings);
    set_settings_scene(settings, nullptr);
}

bool settings_copy(EffectSettings& target, const EffectSettings& source) {
    if (&target == &source) {
        return true;
    }
    std::memcpy(target.name, source.name, sizeof target.name);
    std::memcpy(target.globals, source.globals, sizeof target.globals);
    std::memcpy(target.video_values, source.video_values, sizeof target.video_values);
    Scene* scene = ensure_scene(target);
    if (scene == nullptr) {
        return false;
    }
    const Scene* from = settings_scene(source);
    if (from == nullptr) {
        scene->clear();
        return true;
    }
    return scene->copy_from(*from);
}

bool settings_differ(const EffectSettings& a, const EffectSettings& b) {
    if (std::strncmp(a.name, b.name, sizeof a.name) != 0) {
        return true;
    }
    for (int g = 0; g < global_value_count; ++g) {
        if (a.globals[g] != b.globals[g]) {
            return true;
        }
    }
    for (int v = 0; v < video_group_count; ++v) {
        for (int k = 0; k < video_value_count; ++k) {
            if (a.video_values[v][k] != b.video_values[v][k]) {
                return true;
            }
        }
    }
    const Scene* scene_a = settings_scene(a);
    const Scene* scene_b = settings_scene(b);
    if (scene_a == nullptr || scene_b == nullptr) {
        // A missing scene counts as an empty one.
        const Scene empty;
        return (scene_a != nullptr ? scene_a : &empty)
            ->differs(scene_b != nullptr ? *scene_b : empty);
    }
    return scene_a->differs(*scene_b);
}

void settings_write(const EffectSettings& settings, chunks::ChunkStream& stream) {
    if (stream.status() != chunks::ready) {
        return;
    }
    // The bytes that mean nothing (the padding, and the name's field after
    // its end) are stored as zeros, whatever the record held there: two
    // writes of the same settings give the same bytes.
    unsigned char stored[stored_record_size];
    std::memcpy(stored, &settings, stored_record_size);
    const std::size_t name_length = strnlen(settings.name, effect_name_size);
    std::memset(stored + name_length, 0, offsetof(EffectSettings, globals) - name_length);
    if (stream.write_chunk(chunk_rin0, stored_record_size, stored) != chunks::ready) {
        return;
    }
    if (const Scene* scene = settings_scene(settings)) {
        scene->write_items(stream);
    }
}

void settings_read(EffectSettings& settings, chunks::ChunkStream& stream) {
    Scene* scene = ensure_scene(settings);
    if (scene != nullptr) {
        scene->clear();
    }
    chunks::Chunk chunk;
    while (stream.status() == chunks::ready && stream.read_chunk(chunk) == chunks::ready) {
        if (chunk.id == chunk_rin0) {
            const std::size_t count = std::min<std::size_t>(chunk.length, readable_record_size);
            std::memcpy(reinterpret_cast<unsigned char*>(&settings), chunk.data, count);
            // The name is used as a C string: it always ends inside its field.
            settings.name[effect_name_size - 1] = '\0';
        } else if (scene != nullptr && goes_to_scene(chunk.id)) {
            scene->parse_chunk(chunk);
        }
    }
    if (scene != nullptr) {
        scene->link();
        scene->load_textures();
    }
}

std::vector<std::uint8_t> settings_to_block(const EffectSettings& settings) {
    chunks::ChunkStream stream = chunks::ChunkStream::open_memory_writer(form_kdrr);
    settings_write(settings, stream);
    std::vector<std::uint8_t> block =
        stream.status() == chunks::ready ? stream.copy_block() : std::vector<std::uint8_t>();
    stream.close();
    return block;
}

bool settings_from_block(EffectSettings& settings, const void* block, std::size_t available) {
    if (block == nullptr) {
        return false;
    }
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_memory_reader(block, available, form_kdrr);
    if (stream.status() != chunks::ready) {
        return false;  // not a settings block: the record is left as it was
    }
    settings_read(settings, stream);
    const int status = stream.status();
    return settings_scene(settings) != nullptr &&
           (status == chunks::ready || status == chunks::end_of_data);
}

void settings_set_parameter(float (&globals)[global_value_count],
                            float (&video_values)[video_group_count][video_value_count], int number,
                            float value) {
    if (number >= 0 && number < parameter_global_count) {
        globals[number] = value;
        return;
    }
    const int group = number / 100 - 1;
    const int index = number % 100;
    if (number >= 100 && group < video_group_count && index < video_value_count) {
        video_values[group][index] = value;
    }
}

void settings_set_parameter(EffectSettings& settings, int number, float value) {
    settings_set_parameter(settings.globals, settings.video_values, number, value);
}

}  // namespace kdr
