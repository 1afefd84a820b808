#include "render_settings.h"

#include <cstring>

#include "kaleidra/host/starting_settings.h"
#include "setting_names.h"

namespace kdr::render_tool {

Status build_settings(EffectSettings& settings, const RenderOptions& options) {
    if (Status status = host::load_starting_settings(settings, options.settings_file); !status) {
        return status;
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

}  // namespace kdr::render_tool
