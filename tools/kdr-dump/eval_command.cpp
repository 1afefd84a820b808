#include "eval_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/evaluation.h"
#include "scene_lines.h"

namespace kdr::dump {
namespace {

// Owns the records for the length of one evaluation.
struct Records {
    Records() {
        settings_ready = settings_initialise(settings);
        frame_construct(frame);
    }
    ~Records() {
        frame_release_images(frame);
        settings_destroy(settings);
    }
    EffectSettings settings;
    FrameRecord frame;
    bool settings_ready = false;
};

bool read_settings(const std::string& file, EffectSettings& settings) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kdr-dump: cannot open \"%s\": %s\n", file.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::vector<char> block(std::istreambuf_iterator<char>(in), {});
    // The file form (as kaleidra-select saves it) is the memory form
    // without its size word.
    if (block.size() >= 4 && std::memcmp(block.data(), "KDRR", 4) == 0) {
        const auto total = static_cast<std::uint32_t>(block.size() + 4);
        const char size_word[4] = {static_cast<char>(total), static_cast<char>(total >> 8),
                                   static_cast<char>(total >> 16), static_cast<char>(total >> 24)};
        block.insert(block.begin(), size_word, size_word + 4);
    }
    if (!settings_from_block(settings, block.data(), block.size())) {
        std::fprintf(stderr, "kdr-dump: \"%s\" is not a whole KDRR settings file or block\n",
                     file.c_str());
        return false;
    }
    return true;
}

// A one-pixel picture in each slot that the effect's videos use.
bool give_pictures(FrameRecord& frame, std::size_t videos) {
    const std::size_t slots = std::min<std::size_t>(std::max<std::size_t>(videos, 2), 20);
    for (std::size_t slot = 0; slot < slots; ++slot) {
        ImageRecord& image = frame.images[slot];
        image.format = format_bgr;
        image.bytes_per_pixel = 3;
        image.alignment = 4;
        image.width = image.height = image.row_length = image.stored_rows = 1;
        if (!image_allocate(image)) {
            return false;
        }
    }
    frame.image_count = static_cast<std::uint32_t>(slots);
    return true;
}

void print_values(const EffectSettings& settings, const FrameValues& values) {
    std::vector<std::string> changes;
    for (int g = 0; g < global_value_count; ++g) {
        if (values.globals[g] != settings.globals[g]) {
            changes.push_back("global " + std::to_string(g) + " " + global_meaning(g) + ": " +
                              number(settings.globals[g]) + " -> " + number(values.globals[g]));
        }
    }
    for (int v = 0; v < video_group_count; ++v) {
        for (int k = 0; k < video_value_count; ++k) {
            if (values.video_values[v][k] != settings.video_values[v][k]) {
                changes.push_back("video " + std::to_string(v + 1) + " " + video_meaning(k) + ": " +
                                  number(settings.video_values[v][k]) + " -> " +
                                  number(values.video_values[v][k]));
            }
        }
    }
    std::printf("values changed by envelopes:%s\n", changes.empty() ? " none" : "");
    for (const std::string& line : changes) {
        std::printf("  %s\n", line.c_str());
    }
}

std::string target_text(const scene::SceneItem& item) {
    if (item.link_id == 0) {
        return "settings";
    }
    if (item.link == nullptr) {
        return "nothing (no item " + std::to_string(item.link_id) + ")";
    }
    return std::string(kind_name(item.link->kind())) + " " + std::to_string(item.link->id);
}

void print_scene(const Scene& scene, float x) {
    for (int kind = 0; kind < scene::item_kind_count; ++kind) {
        const auto item_kind = static_cast<scene::ItemKind>(kind);
        for (std::size_t i = 0; i < scene.item_count(item_kind); ++i) {
            const scene::SceneItem& item = *scene.item(item_kind, i);
            std::printf("  %s\n", item_line(item).c_str());
            switch (item_kind) {
                case scene::ItemKind::camera:
                case scene::ItemKind::light:
                case scene::ItemKind::object: {
                    MotionState motion;
                    item.get_motion(motion);
                    std::printf("      %s\n", motion_text(motion).c_str());
                    if (item_kind == scene::ItemKind::object) {
                        const auto& object = static_cast<const scene::Object&>(item);
                        std::printf("      transparency %s",
                                    number(object.own_transparency).c_str());
                        if (object.parent != nullptr) {
                            std::printf("  parent object %u", object.parent->id);
                        }
                        if (object.id >= first_trail_id) {
                            std::printf("  trail copy");
                        }
                        std::printf("\n");
                    }
                    break;
                }
                case scene::ItemKind::path:
                    std::printf("      moves %s\n", target_text(item).c_str());
                    break;
                case scene::ItemKind::envelope: {
                    const auto& envelope = static_cast<const scene::Envelope&>(item);
                    std::printf("      value %s for parameter %u of %s\n",
                                number(evaluate_envelope(envelope.keys, x)).c_str(),
                                envelope.parameter, target_text(item).c_str());
                    break;
                }
                default:
                    break;
            }
        }
    }
}

}  // namespace

int run_eval(const EvalOptions& options) {
    Scene effect;
    if (!effect.load_file(options.effect_file)) {
        std::fprintf(stderr, "kdr-dump: cannot load the effect \"%s\"\n",
                     options.effect_file.c_str());
        return 1;
    }
    Records records;
    if (!records.settings_ready) {
        std::fprintf(stderr, "kdr-dump: out of memory\n");
        return 1;
    }
    if (!options.settings_file.empty()) {
        if (!read_settings(options.settings_file, records.settings)) {
            return 1;
        }
        merge_user_items(effect, *settings_scene(records.settings));
    }
    if (options.position) {
        records.frame.position = *options.position;
        records.frame.total = options.total;
        if (!give_pictures(records.frame, effect.video_names.size())) {
            std::fprintf(stderr, "kdr-dump: out of memory\n");
            return 1;
        }
    }

    FrameSceneRequest request;
    request.scene = &effect;
    request.settings = &records.settings;
    request.frame = &records.frame;
    request.completion = options.completion;
    const FrameScene frame = build_frame_scene(request);
    if (frame.scene == nullptr) {
        std::fprintf(stderr, "kdr-dump: the frame scene could not be built\n");
        return 1;
    }

    std::printf("effect \"%s\"  type %u  videos %zu\n", effect.name.c_str(), effect.type,
                effect.video_names.size());
    std::printf("completion %s  fly %s", number(options.completion).c_str(),
                records.settings.globals[global_fly_direction] != 0 ? "on" : "off");
    if (options.position) {
        std::printf("  frame %u of %u", records.frame.position, records.frame.total);
    }
    std::printf("\n");
    print_values(records.settings, frame.values);
    std::printf("frame scene:\n");
    print_scene(*frame.scene, options.completion);
    return 0;
}

}  // namespace kdr::dump
