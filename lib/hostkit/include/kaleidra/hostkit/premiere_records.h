#pragma once
// What Adobe Premiere hands its transition and video filter plug-ins, as far
// as Kaleidra's plug-ins use it (Fx-Kdr30, the transition; Fl-KdrM30, the
// multisaver filter), and the services of its library PREMINFO. Only the
// fields named here are read or written; the bytes between them are the
// host's and are declared as reserved so that every used field lies at the
// host's byte position.
//
// On a 32-bit x86 build the positions are exactly the host's (proved by
// layout_check.cpp under g++ -m32). On x86-64 the handles and pointers widen
// to 8 bytes in the same order, which moves what follows them:
//
//   record               field          32-bit   x86-64
//   PremiereEffectRecord specification       0        0
//                        source_a            4        8
//                        source_b            8       16
//                        destination        12       24
//                        part               16       32
//                        total              20       36
//                        field_bits         66       82   (size 68 / 88)
//   PremierePixelMap     bounds           0..15    0..15
//                        row_bytes          16       16
//                        pixels             28       32   (size 32 / 40)
//   PremiereVideoRecord  source              4        8
//                        destination         8       16
//                        part               12       24
//                        field_byte         36       48   (size 40 / 56)
//
// Handles are pointers to pointers: the host may move the block a handle
// leads to, so plug-ins go through the handle each time they use it. The
// host owns every handle and pixel map; a plug-in only reads and writes
// through them during a call.

#include <cstdint>

namespace kdr::hostkit {

// A handle to host memory: *handle is the block, or null.
using PremiereHandle = char**;

// A picture: bounds (width = right - left, height = bottom - top), the row
// length in bytes, and the first pixel. Pixels are 32 bits, blue, green,
// red, alpha in memory; the first row in memory is the bottom of the
// picture (row order 1 of the image records).
struct PremierePixelMap {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
    std::int32_t row_bytes;
    std::uint8_t reserved[8];
    void* pixels;
};
using PremierePixelMapHandle = PremierePixelMap**;

// Field bits of the effect record: each names one field order; neither set
// means whole frames.
inline constexpr std::uint16_t premiere_field_order_a = 0x100;
inline constexpr std::uint16_t premiere_field_order_b = 0x200;

// The transition's effect record; xEffect receives a handle to it.
struct PremiereEffectRecord {
    PremiereHandle specification;     // the transition's own data; null until its first setup
    PremierePixelMapHandle source_a;  // outgoing clip, may be null
    PremierePixelMapHandle source_b;  // incoming clip, may be null
    PremierePixelMapHandle destination;
    std::int32_t part;   // the step to render
    std::int32_t total;  // part = total ends the transition
    std::uint8_t reserved[42];
    std::uint16_t field_bits;
};
using PremiereEffectHandle = PremiereEffectRecord**;

// The video filter's record; xFilter receives a handle to it.
struct PremiereVideoRecord {
    PremiereHandle reserved_handle;
    PremierePixelMapHandle source;
    PremierePixelMapHandle destination;
    std::int32_t part;
    std::uint8_t reserved[20];
    std::uint8_t field_byte;  // the low two bits are the field bits
};
using PremiereVideoHandle = PremiereVideoRecord**;

// Selectors.
inline constexpr std::int16_t premiere_effect_render = 0;
inline constexpr std::int16_t premiere_effect_setup = 1;
inline constexpr std::int16_t premiere_filter_execute = 0;

// The plug-ins' entry points, exported by these names with C linkage.
using PremiereEffectEntry = std::int32_t (*)(std::int16_t selector, PremiereEffectHandle effect);
using PremiereFilterEntry = std::int32_t (*)(std::int16_t selector, PremiereVideoHandle video);

// PREMINFO, the host's service library. The host has it loaded before it
// loads plug-ins, as the shared library named premiere_services_library
// (its soname); plug-ins bind its services by these names, which stand
// for the host's ordinal numbers 235, 379 and 484.
inline constexpr const char* premiere_services_library = "PREMINFO.so";
// Ordinal 235: the host's main window (an X11 window id, 0 for none).
inline constexpr const char* premiere_main_window_service = "PREMINFO_MainWindow";
using PremiereMainWindowFn = std::uintptr_t (*)();
// Ordinal 379: a new handle to a block of `size` bytes, or null.
inline constexpr const char* premiere_new_handle_service = "PREMINFO_NewHandle";
using PremiereNewHandleFn = PremiereHandle (*)(std::int32_t size);
// Ordinal 484: makes the handle's block `size` bytes long, keeping what
// fits; 0 on success, non-zero when the block could not be resized (it is
// then as it was).
inline constexpr const char* premiere_set_handle_size_service = "PREMINFO_SetHandleSize";
using PremiereSetHandleSizeFn = std::int32_t (*)(PremiereHandle handle, std::int32_t size);

}  // namespace kdr::hostkit
