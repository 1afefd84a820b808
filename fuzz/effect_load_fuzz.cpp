// Loads arbitrary bytes as an effect file, then copies, compares, writes and
// evaluates the scene.
#include <cstdio>

#include "scene_fuzz_support.h"

using namespace kdr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::use_private_registry();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path file = fuzz::scratch_file("kdr-effect-fuzz");
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    Scene scene;
    // Stop at the third byte's chunk sometimes, as the catalogue does.
    const chunks::ChunkId stop = size > 2 && data[2] == 'S' ? chunks::make_id("IMG0") : 0;
    if (!scene.load_file(file, stop)) {
        for (int kind = 0; kind < scene::item_kind_count; ++kind) {
            if (scene.item_count(static_cast<scene::ItemKind>(kind)) != 0) {
                __builtin_trap();  // a failed load leaves the scene empty
            }
        }
        return 0;
    }
    Scene copy;
    if (!copy.copy_from(scene) || fuzz::items_block(copy) != fuzz::items_block(scene)) {
        __builtin_trap();
    }
    (void)copy.differs(scene);
    fuzz::check_items_round_trip(scene);

    EffectSettings settings;
    if (!settings_initialise(settings)) {
        return 0;
    }
    merge_user_items(copy, scene);
    fuzz::evaluate_frames(scene, settings);
    settings_destroy(settings);
    return 0;
}
