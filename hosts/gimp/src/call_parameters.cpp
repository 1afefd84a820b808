#include "call_parameters.h"

#include <cmath>
#include <cstring>

#include "kaleidra/host/starting_settings.h"
#include "kaleidra/hostkit/filter_values.h"
#include "kaleidra/install/install_paths.h"

namespace kdr::gimp {

Status settings_for_call(const CallParameters& call, EffectSettings& settings) {
    if (!call.effect.empty() &&
        (call.effect.size() >= effect_name_size || !install::is_plain_file_name(call.effect))) {
        return Error{"\"" + call.effect + "\" is not an effect name (1 to " +
                     std::to_string(effect_name_size - 1) + " characters, no folders)."};
    }
    if (!std::isfinite(call.percent) || call.percent < 0 || call.percent > 100) {
        return Error{"The percent must be a number from 0 to 100, not " +
                     std::to_string(call.percent) + "."};
    }
    if (call.frames < 1 || static_cast<std::uint32_t>(call.frames) > hostkit::max_filter_frames) {
        return Error{"The frame count must be from 1 to " +
                     std::to_string(hostkit::max_filter_frames) + ", not " +
                     std::to_string(call.frames) + "."};
    }
    if (call.video < 1 || call.video > image_slot_count) {
        return Error{"The layer must be video 1 to " + std::to_string(image_slot_count) + ", not " +
                     std::to_string(call.video) + "."};
    }
    if (Status loaded = host::load_starting_settings(settings, call.settings_file); !loaded) {
        return loaded;
    }
    if (!call.effect.empty()) {
        std::memset(settings.name, 0, sizeof settings.name);
        std::memcpy(settings.name, call.effect.data(), call.effect.size());
    }
    settings.globals[global_filter_percent] = static_cast<float>(call.percent);
    settings.globals[global_filter_frames] = static_cast<float>(call.frames);
    settings.globals[global_filter_source] = static_cast<float>(call.video - 1);
    return Status::success();
}

}  // namespace kdr::gimp
