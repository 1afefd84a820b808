#include "transition_settings.h"

#include <cstring>
#include <string>

#include "kaleidra/host/starting_settings.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::frei0r {
namespace {

void set_name(EffectSettings& settings, const std::string& name) {
    std::memset(settings.name, 0, effect_name_size);
    std::memcpy(settings.name, name.data(), name.size());
}

}  // namespace

Status build_transition_settings(EffectSettings& settings, const TransitionParameters& parameters) {
    Status result = Status::success();
    if (Status status = host::load_starting_settings(settings, parameters.settings_file());
        !status) {
        // Whatever the broken file left in the record goes; start again
        // from the defaults. Without memory for a scene a record has none,
        // which every settings operation takes as an empty one.
        settings_destroy(settings);
        (void)settings_initialise(settings);
        if (Status defaults = host::load_starting_settings(settings, {}); !defaults) {
            settings_destroy(settings);
            (void)settings_initialise(settings);
            host::apply_builtin_defaults(settings);
        }
        result = Error{"settings file left out: " + status.error()};
    }
    const std::string& effect = parameters.effect();
    if (!effect.empty()) {
        if (effect.size() < effect_name_size) {
            set_name(settings, effect);
        } else if (result) {
            result = Error{"the effect name \"" + effect + "\" is longer than 40 characters"};
        }
    }
    if (settings.name[0] == '\0') {
        set_name(settings, fallback_effect);
    }
    if (parameters.fly_on()) {
        settings.globals[global_fly_direction] = *parameters.fly_on() ? 1.0f : 0.0f;
    }
    if (parameters.antialias()) {
        settings.globals[global_antialias] = *parameters.antialias() ? 1.0f : 0.0f;
    }
    if (parameters.lighting()) {
        settings.globals[global_lighting] = *parameters.lighting() ? 1.0f : 0.0f;
    }
    if (parameters.shadows()) {
        settings.globals[global_shadows] = *parameters.shadows();
    }
    return result;
}

}  // namespace kdr::frei0r
