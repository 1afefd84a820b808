#pragma once
// Filling image records from decoded pictures, and packing a record's
// pixels into the layout a file format stores, shared by the file readers
// and writers.

#include <cstdint>

#include "kaleidra/images/pixel_buffer.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"

namespace kdr::images_detail {

// Frees the record's owned buffer, describes `geometry` (row length = width,
// stored rows = height, no skips, offset 0, bias cleared) and takes `pixels`
// over (owns = 1). `pixels` must hold the size the geometry gives. The name
// stays.
void adopt_pixels(ImageRecord& image, const ImageShape& geometry, PixelBuffer pixels);

// A new record of the same width and height in `format` (3 bytes a pixel
// without alpha, 4 with), `row_order` and `alignment`, holding `source`'s
// picture, alpha as the source's alpha bias makes it read (the new record
// has no bias). Fails when the source has no pixels or an unknown layout.
Result<OwnedImage> repack(const ImageRecord& source, std::uint8_t format, std::uint8_t row_order,
                          std::uint8_t alignment);

}  // namespace kdr::images_detail
