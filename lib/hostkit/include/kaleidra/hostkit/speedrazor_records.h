#pragma once
// What Speed Razor hands its transition and filter plug-ins, as far as
// Kaleidra's plug-ins use it (Kdr30.tra, the transition; KdrMulti30, the
// multisaver filter, which gets the same record), and the services of its
// library "callback". Only the fields named here are read or written; the
// bytes between them are the host's and are declared as reserved so that
// every used field lies at the host's byte position.
//
// On a 32-bit x86 build the positions are exactly the host's (proved by
// layout_check.cpp under g++ -m32). On x86-64 the handles, pointers and the
// window widen to 8 bytes in the same order, which moves what follows them:
//
//   record                 field          32-bit   x86-64
//   SpeedRazorRecord       settings            4        8
//                          source_a           16       24
//                          source_b           20       32
//                          destination       416      432
//                          height            420      440
//                          width             424      444
//                          part              428      448
//                          total             432      452
//                          final_render      452      472
//                          flags             456      476
//                          window            460      480
//                          host_folder       468      492   (size 728 / 752)
//   SpeedRazorInformation  name                8        8
//                          description        12       16
//                          has_icon           24       32
//                          icon               28       40
//                          reserved        32..59   48..75
//                          value_60           60       76   (size 64 / 80)
//
// All three pixel buffers are width x height pixels of 32 bits (blue, green,
// red, alpha in memory), rows without padding, the first row in memory the
// bottom of the picture. The host owns the record and its buffers; the
// settings block at `settings` is a movable block (movable_memory.h) that
// belongs to the host once a plug-in has stored it there.

#include <cstddef>
#include <cstdint>

#include "kaleidra/hostkit/movable_memory.h"

namespace kdr::hostkit {

// Flags of the record.
inline constexpr std::int32_t speedrazor_fields = 0x08;       // render the two fields apart
inline constexpr std::int32_t speedrazor_field_order = 0x20;  // the other field first

inline constexpr std::size_t speedrazor_folder_size = 260;

struct SpeedRazorRecord {
    std::int32_t reserved_0;
    MovableHandle settings;  // the stored settings; null when there are none
    std::uint8_t reserved_8[8];
    std::uint8_t* source_a;  // outgoing
    std::uint8_t* source_b;  // incoming
    std::uint8_t reserved_24[392];
    std::uint8_t* destination;
    std::int32_t height;  // lines
    std::int32_t width;   // pixels
    std::int32_t part;
    std::int32_t total;
    std::uint8_t reserved_436[16];
    std::int32_t final_render;  // non-zero for a final render; 0: a preview (no log)
    std::int32_t flags;
    std::uintptr_t window;  // owner for dialogs (an X11 window id, 0 for none)
    std::uint8_t reserved_464[4];
    // The host's folder, ending in a path separator, NUL-terminated.
    char host_folder[speedrazor_folder_size];
};

// Filled by the plug-in for selector 2. The numbers the host gives meaning
// to are named by their positions; each plug-in writes the values the host
// expects of it. The texts and the icon stay the plug-in's until its next call.
struct SpeedRazorInformation {
    std::int32_t value_0;
    std::int32_t value_4;
    const char* name;
    const char* description;
    std::int32_t value_16;
    std::int32_t value_20;
    std::int32_t has_icon;
    const std::uint8_t* icon;  // 80 x 60 pixels, 24 bits, rows bottom first
    std::uint8_t reserved[28];
    std::int32_t value_60;
};

// The icon a plug-in shows: its bitmap resource 101 without the 40-byte
// header.
inline constexpr std::int32_t speedrazor_icon_width = 80;
inline constexpr std::int32_t speedrazor_icon_height = 60;
inline constexpr std::size_t speedrazor_icon_bytes = 80 * 60 * 3;

// Selectors of ENTRYPOINT.
enum SpeedRazorSelector : std::int32_t {
    speedrazor_idle = -1,
    speedrazor_about = 0,
    speedrazor_new = 1,
    speedrazor_information = 2,
    speedrazor_setup = 3,
    speedrazor_render = 4,
};

// The plug-ins' entry point, exported as ENTRYPOINT with C linkage. The
// first argument is the host's and is not read.
using SpeedRazorEntry = std::int32_t (*)(void* unused, std::int32_t selector, void* record);

// The host's service library: the host folder followed by the name below
// and the platform's library suffix ("callback.so"). GetCallBackProcAddress
// gives the address of a service by name, or null.
inline constexpr const char* speedrazor_callback_library = "callback";
inline constexpr const char* speedrazor_get_callback = "GetCallBackProcAddress";
using SpeedRazorGetCallbackFn = void* (*)(const char* name);
// ProgressIndicate(value, maximum): the work done so far.
inline constexpr const char* speedrazor_progress_service = "ProgressIndicate";
using SpeedRazorProgressFn = std::int32_t (*)(std::int32_t value, std::int32_t maximum);
// TestAbort(): non-zero when the user wants the render stopped.
inline constexpr const char* speedrazor_abort_service = "TestAbort";
using SpeedRazorTestAbortFn = std::int32_t (*)();

}  // namespace kdr::hostkit
