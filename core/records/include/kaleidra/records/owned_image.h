#pragma once
// An image record that releases what it owns (its name, and its pixels when
// the record owns them) when it dies. Records keep their fixed layout for
// the hosts and engines; this wrapper is how our own code holds one without
// leaking it on an early return. Moving hands the record over and leaves an
// empty one behind; copying is not allowed (image_deep_copy copies pixels).

#include <utility>

#include "kaleidra/records/image_record.h"

namespace kdr {

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

}  // namespace kdr
