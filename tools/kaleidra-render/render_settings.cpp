#include "render_settings.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/host/install_paths.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"
#include "setting_names.h"

namespace kdr::render_tool {
namespace {

constexpr chunks::ChunkId settings_form = chunks::make_id("KDRR");

// The file the dialog's "Save default options" writes.
std::optional<std::filesystem::path> defaults_file() {
    std::optional<std::filesystem::path> file =
        host::build_path(host::folder_work, "Defaults", "KRI");
    if (!file || !std::filesystem::is_regular_file(*file)) {
        return std::nullopt;
    }
    return file;
}

}  // namespace

void apply_builtin_defaults(EffectSettings& settings) {
    settings.globals[global_render_quality] = 1;
    settings.globals[global_image_quality] = 1;
    settings.globals[global_lighting] = 1;
    settings.globals[global_shadows] = 50;
    settings.globals[global_light_direction] = 45;
}

Status read_settings_file(EffectSettings& settings, const std::filesystem::path& file) {
    const std::string name = "\"" + file.string() + "\"";
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, file, settings_form);
    if (stream.status() == chunks::ready) {
        settings_read(settings, stream);
        if (stream.status() != chunks::end_of_data) {
            return Error{name + " is damaged: " + chunks::chunk_status_text(stream.status())};
        }
        return Status::success();
    }
    if (stream.status() != chunks::wrong_form) {
        return Error{"cannot read settings file " + name + ": " +
                     chunks::chunk_status_text(stream.status())};
    }
    // Perhaps a host's stored block: a size word before the form.
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (bytes.size() < 8 || !settings_from_block(settings, bytes.data(), bytes.size())) {
        return Error{name + " is not a settings file (form KDRR)"};
    }
    return Status::success();
}

Status build_settings(EffectSettings& settings, const RenderOptions& options) {
    if (!options.settings_file.empty()) {
        if (Status status = read_settings_file(settings, options.settings_file); !status) {
            return status;
        }
    } else if (std::optional<std::filesystem::path> defaults = defaults_file()) {
        if (Status status = read_settings_file(settings, *defaults); !status) {
            return Error{"the saved defaults: " + status.error()};
        }
        // The defaults hold options, not a choice of effect.
        settings.name[0] = '\0';
    } else {
        apply_builtin_defaults(settings);
    }
    if (!options.effect.empty()) {
        if (options.effect.size() >= effect_name_size) {
            return Error{"the effect name \"" + options.effect + "\" is longer than 40 characters"};
        }
        std::memset(settings.name, 0, effect_name_size);
        std::memcpy(settings.name, options.effect.data(), options.effect.size());
    }
    if (settings.name[0] == '\0') {
        return Error{"no effect given: --effect NAME (the settings file names none)"};
    }
    if (options.fly_on) {
        settings.globals[global_fly_direction] = *options.fly_on ? 1.0f : 0.0f;
    }
    for (const std::string& assignment : options.assignments) {
        if (Status status = apply_setting(settings, assignment); !status) {
            return status;
        }
    }
    return Status::success();
}

Status check_effect(const char* name) {
    std::optional<std::filesystem::path> file = host::build_path(host::folder_effects, name, "KDR");
    if (!file) {
        return Error{"the installation folder is not set (registry value \"Path\"; see kdr-reg)"};
    }
    if (!std::filesystem::is_regular_file(*file)) {
        return Error{"effect \"" + std::string(name) + "\" not found: there is no " +
                     file->string()};
    }
    Scene scene;
    if (!scene.load(name)) {
        return Error{"effect \"" + std::string(name) + "\" cannot be read from " + file->string()};
    }
    return Status::success();
}

}  // namespace kdr::render_tool
