#pragma once
// The three plain records that cross every boundary of the system: the image
// record, the frame record and the effect settings record. Hosts persist the
// settings record and every deliverable exchanges these by pointer, so field
// order and fixed-width types never change. On a 32-bit x86 build the sizes
// are 84, 1836 and 1144 bytes (checked by layout_check.cpp under -m32); on
// x86-64 only the pointer-sized fields grow.
//
// This header depends on nothing but the standard library so it can be
// compiled for any target. The operations on the records live beside it.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kdr {

class Scene;

// Channel orders in memory. Bit 4 (value 16) marks an alpha channel.
enum PixelFormat : std::uint8_t {
    format_rgb = 1,
    format_bgr = 2,
    format_rgba = 16,
    format_bgra = 18,
    format_abgr = 20,
    format_argb = 24,
};

// Row order 2 is top row first; every other value is bottom row first.
constexpr std::uint8_t row_order_top_down = 2;
constexpr std::uint8_t row_order_bottom_up = 1;

struct ImageRecord {
    char* name;                    // heap copy of the source file name, or null
    std::uint8_t format;           // PixelFormat
    std::uint8_t row_order;        // 2 = top row first
    std::uint8_t bytes_per_pixel;  // 3 or 4
    std::uint8_t alignment;        // row alignment in bytes; 0 = stride not computed
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t row_length;  // pixels per stored row (may exceed width)
    std::uint32_t stored_rows;
    std::uint32_t skip_rows;
    std::uint32_t skip_pixels;
    std::uint32_t bias[4];  // channel bias block; entry 3 may hold the float 255.0
    std::int32_t offset;    // byte offset of the first row (field selection)
    std::uint8_t* buffer;
    std::int32_t owns;            // 1 = the record frees the buffer
    std::uint32_t texture_width;  // smallest power of two >= width
    std::uint32_t texture_height;
    float width_ratio;  // width / texture width
    float height_ratio;
    std::uint32_t stride;  // bytes per stored row
    std::uint32_t size;    // stride * stored rows
};

// Global values of the settings record (index into EffectSettings::globals).
enum GlobalValue : int {
    global_fly_direction = 0,
    global_render_style = 1,
    global_render_quality = 2,
    global_image_quality = 3,
    global_antialias = 4,
    global_lighting = 5,
    global_shadows = 6,
    global_blur_percent = 7,
    global_blur_count = 8,
    global_filter_placement = 10,
    global_light_direction = 11,
    global_filter_frames = 12,
    global_filter_percent = 13,
    global_filter_source = 14,
    global_transition_period = 15,
    global_filter_rotation_x = 18,
    global_filter_rotation_y = 19,
    global_filter_rotation_z = 20,
    global_filter_distance = 21,
};
constexpr int global_value_count = 30;

// Per-video values (index k within a group of EffectSettings::video_values).
enum VideoValue : int {
    video_shine = 0,
    video_transparency = 1,
    video_luminosity = 2,
    video_trail_count = 3,
    video_direction = 5,
    video_follows_direction = 6,
    video_trail_spacing = 7,
};
constexpr int video_group_count = 20;
constexpr int video_value_count = 10;

constexpr std::size_t effect_name_size = 41;
constexpr std::size_t embedded_scene_size = 180;

struct EffectSettings {
    char name[effect_name_size];  // effect file base name, NUL-terminated; empty = none
    std::uint8_t padding[3];      // carried in the stored form, meaningless
    float globals[global_value_count];
    float video_values[video_group_count][video_value_count];
    // The embedded scene. This build keeps a pointer to a heap Scene at the
    // start of the 180 bytes; use settings_scene() to reach it. Never copy
    // the record bytewise: its operations copy the scene deeply.
    alignas(4) unsigned char scene_storage[embedded_scene_size];
};

inline Scene* settings_scene(const EffectSettings& settings) {
    Scene* scene = nullptr;
    std::memcpy(&scene, settings.scene_storage, sizeof scene);
    return scene;
}

inline void set_settings_scene(EffectSettings& settings, Scene* scene) {
    std::memcpy(settings.scene_storage, &scene, sizeof scene);
}

// Mode flags of the frame record.
enum FrameFlag : std::uint32_t {
    flag_layout_preview = 0x1,
    flag_preview_path = 0x2,
    flag_preview_only_highlighted = 0x4,
    flag_preview_camera = 0x10,
    flag_preview_side = 0x20,
    flag_preview_top = 0x40,
    flag_preview_perspective = 0x80,
    flag_field = 0x100,
    flag_upper_half = 0x400,
    flag_lower_half = 0x800,
    flag_keep_colour = 0x1000,
    flag_field_parity_1 = 0x2000,
    flag_field_parity_0 = 0x4000,
};

constexpr int image_slot_count = 20;

// Progress takes a percentage 0..100 (result ignored); abort is called with 0
// and a non-zero result aborts the frame.
using ProgressCallback = int (*)(int percent);
using AbortCallback = int (*)(int unused);

struct FrameRecord {
    std::uint32_t width;
    std::int32_t height;                   // one field's height when field rendering
    std::uint32_t image_count;             // image slots in use
    ImageRecord images[image_slot_count];  // 0 = video 1 (outgoing), 1 = video 2 (incoming)
    ImageRecord output;
    std::uint32_t position;  // frame position within the effect, 0..total
    std::uint32_t total;     // position at which the effect is complete
    ProgressCallback progress;
    AbortCallback abort;
    float completion;              // computed before each render
    float aspect;                  // width / height
    float background[4];           // red, green, blue, alpha, 0..1
    std::uint32_t quiet;           // non-zero for small previews (low 16 bits tested)
    std::uint32_t engine_scratch;  // cleared by the engine at each render
    std::uint32_t flags;           // FrameFlag bits
    std::uint32_t highlighted_id;  // highlighted object for layout previews
    void* device_context;          // caller's drawing surface; null = engine's own
};

}  // namespace kdr
