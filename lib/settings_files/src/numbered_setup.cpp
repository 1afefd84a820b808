#include "kaleidra/settings_files/numbered_setup.h"

#include "kaleidra/platform/message_box.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/settings_files/numbered_settings.h"

namespace kdr::settings_files {

std::optional<std::int32_t> run_numbered_setup(const ChooseSettings& choose, std::int32_t number,
                                               const char* extension) {
    if (!choose) {
        return std::nullopt;
    }
    EffectSettings settings;
    if (!settings_initialise(settings)) {
        return std::nullopt;
    }
    // A number whose file cannot be read starts from cleared settings and
    // is saved under a new number.
    if (number > 0 && !load_numbered_settings(settings, number, extension)) {
        number = 0;
    }
    if (number < 0) {
        number = 0;
    }
    std::optional<std::int32_t> kept;
    if (choose(settings) == 0) {
        Result<std::int32_t> saved = save_numbered_settings(settings, number, extension);
        if (saved) {
            kept = *saved;
        } else {
            platform::show_message_box("File Error", saved.error(), platform::MessageKind::error);
        }
    }
    settings_destroy(settings);
    return kept;
}

}  // namespace kdr::settings_files
