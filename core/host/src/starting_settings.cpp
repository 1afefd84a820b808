#include "kaleidra/host/starting_settings.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"

namespace kdr::host {
namespace {

constexpr chunks::ChunkId settings_form = chunks::make_id("KDRR");

// The file the dialog's "Save default options" writes.
std::optional<std::filesystem::path> defaults_file() {
    std::optional<std::filesystem::path> file =
        install::build_path(install::folder_work, "Defaults", "KRI");
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

Status load_starting_settings(EffectSettings& settings,
                              const std::filesystem::path& settings_file) {
    if (!settings_file.empty()) {
        return read_settings_file(settings, settings_file);
    }
    if (std::optional<std::filesystem::path> defaults = defaults_file()) {
        if (Status status = read_settings_file(settings, *defaults); !status) {
            return Error{"the saved defaults: " + status.error()};
        }
        settings.name[0] = '\0';
        return Status::success();
    }
    apply_builtin_defaults(settings);
    return Status::success();
}

Status check_effect(const char* name) {
    std::optional<std::filesystem::path> file =
        install::build_path(install::folder_effects, name, "KDR");
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

}  // namespace kdr::host
