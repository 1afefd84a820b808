#pragma once
// What the hosts of vxDLL effect libraries hand Kaleidra's two vxDLL
// transitions (U_Kdr30 for the older interface, Kdr5_30 for the newer), as
// far as the transitions use it. Only the fields named here are read or
// written; the bytes between them are the host's and are declared as
// reserved so that every used field lies at the host's byte position.
//
// On a 32-bit x86 build the positions are exactly the host's (proved by
// layout_check.cpp under g++ -m32). On x86-64 the pointers and the window
// widen to 8 bytes in the same order, which moves what follows them:
//
//   record                 field            32-bit   x86-64
//   VxBitmapHeader         width                 4        4
//                          height                8        8   (size 40 / 40)
//   VxEffectInfo           category              0        0
//                          name                 45       45
//                          description          65       65
//                          value_196           196      196
//                          ...                 ...      ...   (the same)
//                          value_264           264      264   (size 268 / 268)
//   Vx5SetupRecord         owner                 0        0
//                          number               20       24   (size 24 / 32)
//   Vx5RenderRecord        output_header         0        0
//                          output_pixels         4        8
//                          a_header              8       16
//                          a_pixels             12       24
//                          b_header             16       32
//                          b_pixels             20       40
//                          completion           52       76
//                          x_offset             56       80
//                          y_offset             60       84
//                          width                64       88
//                          height               68       92
//                          number               76      104   (size 80 / 112)
//
// Pixels are 24-bit device-independent bitmaps: blue, green, red, rows
// padded to 4 bytes, the first row in memory the bottom of the picture,
// the header's width and height in pixels. The host owns every record and
// buffer; the transitions keep only the number the host stores.

#include <cstddef>
#include <cstdint>

namespace kdr::hostkit {

// A bitmap information header, as far as the transitions read it.
struct VxBitmapHeader {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;  // rows; the rows are stored bottom first
    std::uint8_t reserved_12[28];
};

// Filled by vxDLLGetEffInfo. The numbers the host gives meaning to are
// named by their positions; the strings are copied with their terminator.
struct VxEffectInfo {
    char category[45];
    char name[20];
    char description[131];
    std::int32_t value_196;
    std::int32_t value_200;
    std::int32_t value_204;
    std::int32_t value_208;
    std::int32_t value_212;
    std::int32_t value_216;
    std::int32_t value_220;
    std::uint8_t reserved_224[24];
    std::int32_t value_248;
    std::uint8_t reserved_252[8];
    std::int32_t value_260;  // written by Kdr5_30 only
    std::int32_t value_264;  // written by Kdr5_30 only
};

// The older interface (U_Kdr30).
// vxDLLGetFileEffNum(): the number of effects in the library.
using VxGetFileEffNumFn = std::int32_t (*)();
// vxDLLGetEffInfo(record): 1.
using VxGetEffInfoFn = std::int32_t (*)(VxEffectInfo* info);
// vxDLLApplyEffect with its fourteen arguments: the output's header and
// pixels, the sources' header (one for both), source A's pixels, one not
// used, source B's pixels, total, part, four not used, and the settings
// number as hundreds (13) and units (14). 1.
using VxApplyEffectFn =
    std::int32_t (*)(const VxBitmapHeader* output_header, std::uint8_t* output_pixels,
                     const VxBitmapHeader* source_header, std::uint8_t* a_pixels, void* unused_5,
                     std::uint8_t* b_pixels, std::int32_t total, std::int32_t part,
                     std::int32_t unused_9, std::int32_t unused_10, std::int32_t unused_11,
                     std::int32_t unused_12, std::int32_t hundreds, std::int32_t units);

// The newer interface (Kdr5_30).
struct Vx5SetupRecord {
    std::uintptr_t owner;  // the owner window (an X11 window id, 0 for none)
    std::uint8_t reserved_4[16];
    std::int32_t* number;  // the host's settings number
};

struct Vx5RenderRecord {
    const VxBitmapHeader* output_header;
    std::uint8_t* output_pixels;
    const VxBitmapHeader* a_header;
    std::uint8_t* a_pixels;
    const VxBitmapHeader* b_header;
    std::uint8_t* b_pixels;
    std::uint8_t reserved_24[28];
    float completion;       // 0 to 1
    std::int32_t x_offset;  // the frame within the bitmaps
    std::int32_t y_offset;  // rows from the bitmap's first stored row (its bottom)
    std::int32_t width;     // the frame's
    std::int32_t height;
    std::uint8_t reserved_72[4];
    const std::int32_t* number;  // the settings number; null: 0
};

enum Vx5Selector : std::int32_t {
    vx5_setup = 0,
    vx5_render = 1,
};

// Third argument of a render: the field of an interlaced frame.
inline constexpr std::int32_t vx5_first_field = 1;
inline constexpr std::int32_t vx5_second_field = 2;

// vxDLLGetDefault(value): stores 0; 1.
using Vx5GetDefaultFn = std::int32_t (*)(std::int32_t* value);
// vxDLLApplyEffect(selector, record, mode): 1.
using Vx5ApplyEffectFn = std::int32_t (*)(std::int32_t selector, void* record, std::int32_t mode);

}  // namespace kdr::hostkit
