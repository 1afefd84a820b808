#pragma once
// What Photoshop hands its filter plug-ins, as far as Kaleidra's Kdr30.8bf
// uses it: the filter record of every selector (its services, rectangles,
// planes, row buffers, masks and layer counts), the about record, and the
// parameter handles a filter makes itself. Only the fields named here are
// read or written; the bytes between them are the host's and are declared
// as reserved so that every used field lies at the host's byte position.
//
// On a 32-bit x86 build the positions are those below (proved by
// layout_check.cpp under g++ -m32). On x86-64 the handles, pointers and
// service entries widen to 8 bytes in the same order, which moves what
// follows them:
//
//   record          field                     32-bit   x86-64
//   PsFilterRecord  abort_proc                     4        8
//                   progress_proc                  8       16
//                   parameters                    12       24
//                   planes                        20       36
//                   filter_rect                   24       40
//                   background                    40       56
//                   in_rect                       72       92
//                   in_lo_plane / in_hi_plane  88/90  108/110
//                   out_rect                      92      112
//                   out_lo_plane / hi         108/110 128/130
//                   in_data                      112      136
//                   in_row_bytes                 116      144
//                   out_data                     120      152
//                   out_row_bytes                124      160
//                   mask_rect                    132      168
//                   mask_data                    148      184
//                   mask_row_bytes               152      192
//                   max_space                    164      204
//                   buffer_space                 168      208
//                   advance_state_proc           172      216
//                   in_column_bytes              176      224
//                   out_column_bytes             180      228
//                   platform_data                188      240
//                   in_layer_planes ...          192      248
//                   out_layer_planes ...         202      258   (size 212 / 272)
//   PsAboutRecord   platform_data                  0        0
//
// A row buffer holds the rows of its rectangle, each pixel the planes
// lo to hi, `column_bytes` apart, rows `row_bytes` apart. Plane order
// within a pixel: the colour planes (red, green, blue), then the
// transparency masks, the layer masks and the inverted layer masks the
// counts name. The selection mask has one byte a pixel over mask_rect.
// The host owns the record and the buffers; a plug-in reads and writes
// them only during a call.

#include <cstdint>

namespace kdr::hostkit {

// A handle: *handle is the block (for the filter's own parameter handles,
// see photoshop_parameter_marker).
using PsHandle = char**;

struct PsRect {
    std::int32_t top;
    std::int32_t left;
    std::int32_t bottom;
    std::int32_t right;
};

// Colour components 0 to 65535.
struct PsColour {
    std::uint16_t red;
    std::uint16_t green;
    std::uint16_t blue;
};

struct PsPlatformData {
    std::uintptr_t window;  // the host's main window (an X11 window id)
};

// Non-zero: the user wants the filter stopped.
using PsAbortFn = std::uint8_t (*)();
using PsProgressFn = void (*)(std::int32_t done, std::int32_t total);
// Delivers the in-rectangle's rows into in_data and takes out_data's rows
// for the out-rectangle; 0 or an error code.
using PsAdvanceStateFn = std::int16_t (*)();

struct PsFilterRecord {
    std::int32_t serial_number;
    PsAbortFn abort_proc;
    PsProgressFn progress_proc;
    PsHandle parameters;  // the filter's settings, kept by the host between runs
    std::int16_t image_size[2];
    std::int16_t planes;
    std::int16_t reserved_a;
    PsRect filter_rect;
    PsColour background;
    PsColour foreground;
    std::uint8_t reserved_b[4];
    void* host_proc;
    std::uint8_t reserved_c[12];
    PsRect in_rect;
    std::int16_t in_lo_plane;
    std::int16_t in_hi_plane;
    PsRect out_rect;
    std::int16_t out_lo_plane;
    std::int16_t out_hi_plane;
    void* in_data;
    std::int32_t in_row_bytes;
    void* out_data;
    std::int32_t out_row_bytes;
    std::uint8_t reserved_d[4];
    PsRect mask_rect;
    const void* mask_data;  // null: no selection mask
    std::int32_t mask_row_bytes;
    std::uint8_t reserved_e[8];
    std::int32_t max_space;
    std::int32_t buffer_space;
    PsAdvanceStateFn advance_state_proc;  // null: the host offers none
    std::int32_t in_column_bytes;
    std::int32_t out_column_bytes;
    std::uint8_t reserved_f[4];
    PsPlatformData* platform_data;
    std::int16_t in_layer_planes;
    std::int16_t in_transparency_mask;
    std::int16_t in_layer_masks;
    std::int16_t in_inverted_layer_masks;
    std::int16_t in_non_layer_planes;
    std::int16_t out_layer_planes;
    std::int16_t out_transparency_mask;
    std::int16_t out_layer_masks;
    std::int16_t out_inverted_layer_masks;
    std::int16_t out_non_layer_planes;
};

// What selector 0 (about) receives instead of the filter record.
struct PsAboutRecord {
    PsPlatformData* platform_data;
    std::uint8_t reserved[12];
};

// Selectors and results.
inline constexpr std::int16_t ps_selector_about = 0;
inline constexpr std::int16_t ps_selector_parameters = 1;
inline constexpr std::int16_t ps_selector_prepare = 2;
inline constexpr std::int16_t ps_selector_start = 3;
inline constexpr std::int16_t ps_selector_continue = 4;
inline constexpr std::int16_t ps_selector_finish = 5;
inline constexpr std::int16_t ps_result_bad_selector = -30100;
inline constexpr std::int16_t ps_result_user_cancelled = -128;

// The filter's entry point, exported as ENTRYPOINT with C linkage:
// selector, the filter record (the about record for selector 0), the
// filter's data word, and the 16-bit result.
using PsEntry = void (*)(std::int16_t selector, void* record, std::intptr_t* data,
                         std::int16_t* result);

// The parameter handles the filter makes: the handle is the locked data of
// a movable block (movable_memory.h) holding the locked address of a
// second movable block with the data, followed by these four bytes: 8 bytes
// on 32-bit builds, 12 on x86-64.
inline constexpr char photoshop_parameter_marker[4] = {'O', 'T', 'O', 'F'};

}  // namespace kdr::hostkit
