#pragma once
// What After Effects hands its effect plug-ins, as far as Kaleidra's
// Kdr30.aex uses it: the input and output records of a command, the
// parameters (layers and the fixed-point slider), the layer pictures, and
// the host's services reached through the input record (parameter
// check-out and check-in, adding parameters, abort, progress, handles).
// Only the fields named here are read or written; the bytes between them
// are the host's and are declared as reserved so that every used field
// lies at the host's byte position.
//
// On a 32-bit x86 build the positions are those below (proved by
// layout_check.cpp under g++ -m32). On x86-64 the handles, pointers and
// service entries widen to 8 bytes in the same order, which moves what
// follows them:
//
//   record        field            32-bit   x86-64
//   AeInRecord    services              0        0
//                 utilities            88      176
//                 effect_ref           92      184
//                 current_time        128      224
//                 time_step           132      228
//                 total_time          136      232
//                 time_scale          144      240
//                 sequence_data       220      320   (size 228 / 336)
//   AeOutRecord   my_version            0        0
//                 num_params           40       48
//                 sequence_data        44       56
//                 out_flags            72       96   (size 332 / 360)
//   AeLayer       data                 12       24
//                 row_bytes            16       32
//                 width                20       36
//                 height               24       40
//                 default_layer        80      104   (size 84 / 112)
//   AeParam       param_type           12       12
//                 name                 16       16
//                 u                    56       56   (size 148 / 168)
//   AeUtilities   new_handle           80      160
//                 lock_handle          84      168
//                 unlock_handle        88      176
//                 dispose_handle       92      184   (size 96 / 192)
//
// Pixels of a layer are 8 bits a channel, alpha, red, green, blue in
// memory, the first row in memory the top of the picture, rows
// `row_bytes` long. The host owns every record, layer and handle; a
// plug-in reads and writes them only during a command.

#include <cstdint>

namespace kdr::hostkit {

// A handle to host memory: lock it to reach the block.
using AeHandle = void**;

// A layer's picture (also the output buffer).
struct AeLayer {
    void* reserved_0;
    void* reserved_1;
    std::int32_t world_flags;
    void* data;  // the first pixel of the top row; null: no picture
    std::int32_t row_bytes;
    std::int32_t width;
    std::int32_t height;
    std::int32_t extent_hint[4];
    void* platform_ref;
    std::uint8_t reserved[32];
    std::int32_t default_layer;  // for a layer parameter being added: 0 none
};

// The fixed-point slider (16.16 values).
struct AeFixedSlider {
    std::int32_t value;
    char value_str[32];
    char value_desc[32];
    std::int32_t valid_min;
    std::int32_t valid_max;
    std::int32_t slider_min;
    std::int32_t slider_max;
    std::int32_t default_value;
    std::int16_t precision;  // decimal places shown
    std::int16_t display_flags;
};

inline constexpr std::int32_t ae_param_layer = 0;
inline constexpr std::int32_t ae_param_fixed_slider = 2;

// One parameter: what the plug-in adds at parameter setup, what the host
// passes at each command (at the current time) and what check-out fills.
struct AeParam {
    std::int32_t id;
    std::int32_t ui_flags;
    std::int16_t ui_width;
    std::int16_t ui_height;
    std::int32_t param_type;
    char name[32];
    std::int32_t flags;
    std::int32_t unused;
    union {
        AeLayer layer;
        AeFixedSlider slider;
    } u;
};

// The host's services for parameters and the user. Each returns 0 or an
// error code; abort returns non-zero when the user wants the render
// stopped (that code is the command's result).
using AeCheckoutParamFn = std::int32_t (*)(void* effect_ref, std::int32_t index,
                                           std::int32_t what_time, std::int32_t time_step,
                                           std::uint32_t time_scale, AeParam* param);
using AeCheckinParamFn = std::int32_t (*)(void* effect_ref, AeParam* param);
using AeAddParamFn = std::int32_t (*)(void* effect_ref, std::int32_t index, AeParam* param);
using AeAbortFn = std::int32_t (*)(void* effect_ref);
using AeProgressFn = std::int32_t (*)(void* effect_ref, std::int32_t current, std::int32_t total);

struct AeServices {
    AeCheckoutParamFn checkout_param;
    AeCheckinParamFn checkin_param;
    AeAddParamFn add_param;
    AeAbortFn abort;
    AeProgressFn progress;
    void* reserved[17];
};

// The host's handle services, behind 20 entries the adapter does not use.
using AeNewHandleFn = AeHandle (*)(std::uint32_t size);
using AeLockHandleFn = void* (*)(AeHandle handle);
using AeUnlockHandleFn = void (*)(AeHandle handle);
using AeDisposeHandleFn = void (*)(AeHandle handle);

struct AeUtilities {
    void* reserved[20];
    AeNewHandleFn new_handle;
    AeLockHandleFn lock_handle;
    AeUnlockHandleFn unlock_handle;
    AeDisposeHandleFn dispose_handle;
};

// The input record of every command.
struct AeInRecord {
    AeServices services;
    AeUtilities* utilities;
    void* effect_ref;  // passed back to every service
    std::int32_t quality;
    std::int16_t version_major;
    std::int16_t version_minor;
    std::uint8_t reserved_a[24];
    std::int32_t current_time;  // in units of time_scale
    std::int32_t time_step;     // one frame
    std::int32_t total_time;    // the layer's duration
    std::int32_t local_time_step;
    std::uint32_t time_scale;
    std::uint8_t reserved_b[68];
    AeHandle global_data;
    AeHandle sequence_data;  // the effect's own data; null until set up
    AeHandle frame_data;
};

// The output record.
struct AeOutRecord {
    std::uint32_t my_version;
    char name[32];
    AeHandle global_data;
    std::int32_t num_params;
    AeHandle sequence_data;
    std::int32_t flat_sequence_size;
    AeHandle frame_data;
    std::int32_t width;
    std::int32_t height;
    std::int32_t origin[2];
    std::int32_t out_flags;
    char return_msg[256];
};

// Commands.
inline constexpr std::int32_t ae_command_about = 0;
inline constexpr std::int32_t ae_command_global_setup = 1;
inline constexpr std::int32_t ae_command_params_setup = 4;
inline constexpr std::int32_t ae_command_sequence_setup = 5;
inline constexpr std::int32_t ae_command_options = 9;
inline constexpr std::int32_t ae_command_render = 11;

// The plug-in's entry point, exported as "main" with C linkage: command,
// input record, output record, the parameters (index 0 the input layer),
// the output buffer.
using AeEntry = std::int32_t (*)(std::int32_t command, AeInRecord* in, AeOutRecord* out,
                                 AeParam** params, AeLayer* output);

}  // namespace kdr::hostkit
