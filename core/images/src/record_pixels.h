#pragma once
// Filling image records from decoded pictures, and packing a record's
// pixels into the layout a file format stores, shared by the file readers
// and writers.

#include <cstdint>
#include <utility>

#include "kaleidra/images/pixel_buffer.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/records/image_record.h"

namespace kdr::images_detail {

// Frees the record's owned buffer, describes `geometry` (row length = width,
// stored rows = height, no skips, offset 0, bias cleared) and takes `pixels`
// over (owns = 1). `pixels` must hold the size the geometry gives. The name
// stays.
void adopt_pixels(ImageRecord& image, const ImageShape& geometry, PixelBuffer pixels);

// An image record that owns its buffer and releases it when it dies.
class OwnedImage {
  public:
    OwnedImage() { image_construct(m_image); }
    ~OwnedImage() { image_release_all(m_image); }
    OwnedImage(OwnedImage&& other) noexcept : m_image(other.m_image) {
        image_construct(other.m_image);
    }
    OwnedImage& operator=(OwnedImage&& other) noexcept {
        std::swap(m_image, other.m_image);
        return *this;
    }
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;

    ImageRecord& record() { return m_image; }
    const ImageRecord& record() const { return m_image; }

  private:
    ImageRecord m_image;
};

// A new record of the same width and height in `format` (3 bytes a pixel
// without alpha, 4 with), `row_order` and `alignment`, holding `source`'s
// picture, alpha as the source's alpha bias makes it read (the new record
// has no bias). Fails when the source has no pixels or an unknown layout.
Result<OwnedImage> repack(const ImageRecord& source, std::uint8_t format, std::uint8_t row_order,
                          std::uint8_t alignment);

}  // namespace kdr::images_detail
