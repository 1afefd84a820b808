// Reads arbitrary bytes as a numbered settings file ("%ld.HUL", "%ld.HMC").
#include <cstdint>

#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/settings_files/numbered_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kdr::EffectSettings settings;
    if (!kdr::settings_initialise(settings)) {
        return 0;
    }
    (void)kdr::settings_files::load_settings_bytes(settings, data, size);
    kdr::settings_destroy(settings);
    return 0;
}
