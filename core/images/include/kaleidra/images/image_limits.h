#pragma once
// Limits every image reader checks a file's geometry against before it
// allocates, so a forged header cannot ask for gigabytes.

#include <cstdint>

#include "kaleidra/records/layout.h"

namespace kdr {

inline constexpr std::uint32_t max_image_dimension = 16384;
inline constexpr std::uint32_t max_image_bytes = 256u << 20;

// True when the record's geometry is one a reader may allocate: bytes per
// pixel 3 or 4, alignment 1, 2, 4 or 8, width and height 1..16384, the
// window (skips plus size) inside the stored rows, and a buffer of at most
// 256 MiB. Computes stride and size.
bool image_geometry_acceptable(ImageRecord& image);

}  // namespace kdr
