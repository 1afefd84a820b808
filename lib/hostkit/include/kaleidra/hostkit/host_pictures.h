#pragma once
// The pictures of Premiere's pixel maps and Speed Razor's buffers, checked
// before anything is sized by them: a null handle or pointer, a negative or
// absurd size, or rows too short for the picture give an error and no
// picture. Both hosts keep 32-bit pixels, blue, green, red, alpha in memory,
// the first row in memory the bottom of the picture.
//
// No state; any thread may call these.

#include <cstdint>

#include "kaleidra/host/host_frame.h"
#include "kaleidra/hostkit/premiere_records.h"
#include "kaleidra/platform/result.h"

namespace kdr::hostkit {

// Larger sides than any host's frame are taken for damaged records.
inline constexpr std::int32_t max_picture_side = 16384;

struct PixelMapView {
    std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;   // right - left
    std::int32_t height = 0;  // bottom - top
    std::int32_t row_bytes = 0;
};

// The pixel map a handle leads to.
Result<PixelMapView> view_pixel_map(PremierePixelMapHandle handle);

// The `width` x `height` picture at the start of the pixel map, rows
// `row_bytes` / 4 pixels long. Fails when the map is smaller.
Result<host::HostPicture> pixel_map_picture(const PixelMapView& map, std::int32_t width,
                                            std::int32_t height);

// A Speed Razor buffer: `width` x `height` pixels, rows without padding.
Result<host::HostPicture> buffer_picture(std::uint8_t* pixels, std::int32_t width,
                                         std::int32_t height);

// Copies the first `height` rows of `width` pixels from one pixel map to
// another, each with its own row length. Both must hold them.
void copy_pixel_map_rows(const PixelMapView& from, const PixelMapView& to, std::int32_t width,
                         std::int32_t height);

}  // namespace kdr::hostkit
