#pragma once
// What the hosts of PI_ track plug-ins hand Kaleidra's Kdr30.dll, as far as
// it uses it. Only the fields named here are read or written; the bytes
// between them are the host's and are declared as reserved so that every
// used field lies at the host's byte position.
//
// On a 32-bit x86 build the positions are exactly the host's (proved by
// layout_check.cpp under g++ -m32). On x86-64 the three buffer pointers
// widen to 8 bytes; every other record has no pointer and keeps its
// positions:
//
//   record          field          32-bit   x86-64
//   PiPluginInfo    value_0             0        0
//                   title              20       20
//                   name               52       52
//                   description        84       84
//                   value_361         361      361   (size 364 / 364)
//   PiTrack         length              0        0
//                   height              4        4
//                   width               8        8   (size 12 / 12)
//   PiFrameRequest  flag                4        4
//                   frame              12       12
//                   number             16       16   (size 20 / 20)
//   PiBuffers       a                   0        0
//                   b                   4        8
//                   output              8       16   (size 12 / 24)
//
// Pixels are the track's width x height, 32 bits (blue, green, red, alpha
// in memory), the first row in memory the top of the picture, rows without
// padding. The host owns every record and buffer; the plug-in keeps only
// the number the host stores.

#include <cstddef>
#include <cstdint>

namespace kdr::hostkit {

// Filled by PI_AboutPlugin. The numbers the host gives meaning to are named
// by their positions; the strings are copied with their terminator.
struct PiPluginInfo {
    std::int16_t value_0;
    std::uint8_t reserved_2[2];
    std::int32_t value_4;
    std::uint8_t value_8;
    std::uint8_t value_9;
    std::uint8_t reserved_10[2];
    std::int32_t value_12;
    std::int32_t value_16;
    char title[32];
    char name[32];
    char description[256];
    std::int32_t value_340;
    std::int32_t value_344;
    std::int32_t value_348;
    std::uint8_t value_352[4];
    std::int32_t value_356;
    std::uint8_t value_360;
    std::uint8_t value_361;
    std::uint8_t reserved_362[2];
};

// Described once by PI_AboutTrack.
struct PiTrack {
    std::int32_t length;  // frames
    std::int32_t height;
    std::int32_t width;
};

struct PiFrameRequest {
    std::uint8_t reserved_0[4];
    std::int32_t flag;  // 1: the pictures fly on (a settings' direction 0 becomes 1)
    std::uint8_t reserved_8[4];
    std::int32_t frame;   // the part
    std::int32_t number;  // the settings number
};

struct PiBuffers {
    std::uint8_t* a;
    std::uint8_t* b;
    std::uint8_t* output;
};

// The size the host's preview asks for: such frames write no log lines.
inline constexpr std::int32_t pi_preview_width = 204;
inline constexpr std::int32_t pi_preview_height = 166;

// The seven exports, C linkage. PI_SetContext and PI_Terminate ignore what
// the host passes.
using PiAboutPluginFn = std::int32_t (*)(PiPluginInfo* info);
using PiAboutTrackFn = std::int32_t (*)(const PiTrack* track);
using PiSetContextFn = std::int32_t (*)(void* unused);
using PiTerminateFn = std::int32_t (*)(void* unused);
using PiGetSizeFn = std::int32_t (*)();
using PiShowDialogFn = std::int32_t (*)(std::int32_t* number, std::uintptr_t owner);
using PiComputeFrameFn = std::int32_t (*)(const PiFrameRequest* request, const PiBuffers* buffers);

}  // namespace kdr::hostkit
