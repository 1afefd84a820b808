#pragma once
// The 24-bit bitmaps of the vxDLL hosts as pictures for the render driver:
// blue, green, red, rows padded to 4 bytes, the first row in memory the
// bottom of the picture, the bitmap header's width and height. A frame may
// be a part of a larger bitmap, at an offset in the bitmap's own terms:
// pixels from the left, rows from the first stored row (the bottom).
// The header's sizes are checked before anything is sized by them: no
// header or pixels, a size that is not positive or absurd, or a frame that
// does not lie inside the bitmap give an error and no picture.
//
// No state; any thread may call these.

#include <cstdint>

#include "kaleidra/host/host_frame.h"
#include "kaleidra/hostkit/vxdll_records.h"
#include "kaleidra/platform/result.h"

namespace kdr::vxdll {

struct FrameArea {
    std::int32_t x = 0;  // pixels from the left
    std::int32_t y = 0;  // rows from the bottom
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The whole bitmap.
Result<host::HostPicture> bitmap_picture(const hostkit::VxBitmapHeader* header,
                                         std::uint8_t* pixels);
// The frame `area` within the bitmap.
Result<host::HostPicture> bitmap_picture(const hostkit::VxBitmapHeader* header,
                                         std::uint8_t* pixels, const FrameArea& area);

}  // namespace kdr::vxdll
