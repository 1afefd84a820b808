#pragma once
// Shared by the scene fuzz targets: a private registry (so no texture is
// ever looked up in the user's installation), invariants that must hold for
// any input, and a frame evaluation that reaches every step.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/evaluation.h"
#include "kaleidra/scene/scene.h"

namespace kdr::fuzz {

inline std::filesystem::path scratch_file(const char* stem) {
    return std::filesystem::temp_directory_path() /
           (std::string(stem) + "-" + std::to_string(::getpid()));
}

// The registry names no installation folder: effects and textures are never
// found by name, only the bytes under test are read.
inline void use_private_registry() {
    ::setenv("KALEIDRA_REGISTRY", scratch_file("kdr-fuzz-registry-absent").c_str(), 1);
}

inline std::vector<std::uint8_t> items_block(const Scene& scene) {
    chunks::ChunkStream stream = chunks::ChunkStream::open_memory_writer(chunks::make_id("KDRE"));
    scene.write_items(stream);
    return stream.copy_block();
}

// Items written, read back and written again give the same bytes.
inline void check_items_round_trip(const Scene& scene) {
    const std::vector<std::uint8_t> first = items_block(scene);
    chunks::ChunkStream reader = chunks::ChunkStream::open_memory_reader(first.data(), first.size(),
                                                                         chunks::make_id("KDRE"));
    Scene reread;
    chunks::Chunk chunk;
    while (reader.read_chunk(chunk) == chunks::ready) {
        reread.parse_chunk(chunk);
    }
    if (reader.status() != chunks::end_of_data || items_block(reread) != first) {
        __builtin_trap();
    }
}

// Builds frame scenes at a few completions with every step switched on:
// lighting with smooth normals, filter placement, trails for two videos.
inline void evaluate_frames(const Scene& scene, EffectSettings& settings) {
    settings.globals[global_lighting] = 1;
    settings.globals[global_render_style] = 0;
    settings.globals[global_filter_placement] = 1;
    settings.globals[global_filter_distance] = 10;
    settings.video_values[0][video_trail_count] = 3;
    settings.video_values[1][video_trail_count] = 2;
    FrameRecord frame;
    frame_construct(frame);
    for (int slot = 0; slot < 2; ++slot) {
        ImageRecord& image = frame.images[slot];
        image.format = format_bgr;
        image.bytes_per_pixel = 3;
        image.alignment = 4;
        image.width = image.height = image.row_length = image.stored_rows = 1;
        (void)image_allocate(image);
    }
    frame.position = 5;
    frame.total = 10;
    for (float x : {0.0f, 0.37f, 1.0f}) {
        FrameSceneRequest request;
        request.scene = &scene;
        request.settings = &settings;
        request.frame = &frame;
        request.completion = x;
        FrameScene built = build_frame_scene(request);
        if (built.scene == nullptr) {
            __builtin_trap();
        }
    }
    frame_release_images(frame);
}

}  // namespace kdr::fuzz
