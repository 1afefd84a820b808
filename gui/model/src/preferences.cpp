#include "kaleidra/gui/preferences.h"

#include <algorithm>
#include <system_error>

#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/folder_case.h"
#include "kaleidra/platform/registry.h"

namespace kdr::gui {
namespace {

namespace fs = std::filesystem;
using platform::RegistryValue;

std::string read_text(const char* name) {
    std::string text = install::read_string(name).value_or(std::string());
    text = text.substr(0, std::min(text.find('\0'), preference_text_length));
    return text;
}

// The suffix the platform gives loadable libraries, standing in for "DLL".
constexpr std::string_view library_suffix = ".so";

}  // namespace

UiPreferences read_preferences() {
    UiPreferences p;
    p.eff_display = install::read_number("Eff_Display");
    p.eff_autoreverse = install::read_number("Eff_Autoreverse");
    p.org_file = read_text("OrgFile");
    p.prev_quality = install::read_number("Prev_Quality");
    p.prev_engine = read_text("Prev_Engine");
    p.prev_frames = install::read_number("Prev_Frames");
    p.prev_render = install::read_number("Prev_Render");
    p.prev_speed = install::read_number("Prev_Speed");
    p.engine = read_text("Engine");
    p.rnd_logging = install::read_number("Rnd_Logging");
    p.rnd_multi = install::read_number("Rnd_Multi");
    return p;
}

Status write_preferences(const UiPreferences& p) {
    const RegistryValue values[] = {
        RegistryValue::make_number("Eff_Display", p.eff_display),
        RegistryValue::make_number("Eff_Autoreverse", p.eff_autoreverse),
        RegistryValue::make_string("OrgFile", p.org_file),
        RegistryValue::make_number("Prev_Quality", p.prev_quality),
        RegistryValue::make_string("Prev_Engine", p.prev_engine),
        RegistryValue::make_number("Prev_Frames", p.prev_frames),
        RegistryValue::make_number("Prev_Render", p.prev_render),
        RegistryValue::make_number("Prev_Speed", p.prev_speed),
        RegistryValue::make_string("Engine", p.engine),
        RegistryValue::make_number("Rnd_Logging", p.rnd_logging),
        RegistryValue::make_number("Rnd_Multi", p.rnd_multi),
    };
    const platform::Registry store = platform::Registry::open_default();
    const std::string key = install::registry_key();
    Status first_failure;
    for (const RegistryValue& value : values) {
        Status status = store.set(key, value);
        if (!status && first_failure) {
            first_failure = status;
        }
    }
    return first_failure;
}

std::uint32_t usable_speed(std::uint32_t speed) {
    return speed == 0 ? 1 : speed;
}

int frame_period_ms(std::uint32_t speed) {
    return static_cast<int>(1000 / usable_speed(speed));
}

std::vector<std::string> installed_engines() {
    std::vector<std::string> engines;
    std::optional<fs::path> base = install::install_folder();
    if (!base) {
        return engines;
    }
    const fs::path folder = platform::resolve_entry(*base, install::folder_libs);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string file = it->path().filename().string();
        if (file.size() <= library_suffix.size() || !file.starts_with("Rnd_") ||
            !file.ends_with(library_suffix)) {
            continue;
        }
        std::string name = file.substr(0, file.size() - library_suffix.size());
        if (name.size() <= preference_text_length) {
            engines.push_back(std::move(name));
        }
    }
    std::sort(engines.begin(), engines.end());
    return engines;
}

}  // namespace kdr::gui
