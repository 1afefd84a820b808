// Reads arbitrary bytes as a stored settings block ("KDRR" in memory form),
// writes it back, reads that again and evaluates its scene.
#include "scene_fuzz_support.h"

using namespace kdr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::use_private_registry();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EffectSettings first;
    EffectSettings second;
    if (!settings_initialise(first) || !settings_initialise(second)) {
        return 0;
    }
    (void)settings_from_block(first, data, size);
    const std::vector<std::uint8_t> block = settings_to_block(first);
    if (block.empty() || !settings_from_block(second, block.data(), block.size()) ||
        settings_to_block(second) != block) {
        __builtin_trap();  // what we write must read back to the same bytes
    }
    EffectSettings copy;
    if (settings_initialise(copy)) {
        if (!settings_copy(copy, first)) {
            __builtin_trap();
        }
        if (settings_to_block(copy) != block) {
            __builtin_trap();
        }
        (void)settings_differ(copy, first);
        settings_destroy(copy);
    }
    fuzz::evaluate_frames(*settings_scene(first), second);
    settings_destroy(first);
    settings_destroy(second);
    return 0;
}
