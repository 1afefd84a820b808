#pragma once
// After Effects' layer pictures as the engines take them: a layer (or the
// output buffer) seen in place as alpha, red, green, blue rows top first,
// and a layer copied into memory of the adapter's own as red, green, blue,
// alpha, so that the host's pixels stay as the host gave them. A layer is
// checked before anything is sized by it: no pixels, a negative or absurd
// size, or rows too short for the width give an error and no picture.
//
// No state; any thread may call these.

#include <cstdint>
#include <vector>

#include "kaleidra/host/host_frame.h"
#include "kaleidra/hostkit/aftereffects_records.h"
#include "kaleidra/platform/result.h"

namespace kdr::aftereffects {

// The layer's pixels where they are (format 0x18).
Result<host::HostPicture> layer_picture(const hostkit::AeLayer& layer);

// A copy of a layer picture in red, green, blue, alpha order (format 0x10),
// rows without padding, top first.
class RgbaCopy {
  public:
    // Copies `picture`, which layer_picture described.
    explicit RgbaCopy(const host::HostPicture& picture);
    const host::HostPicture& picture() const { return m_picture; }

  private:
    std::vector<std::uint8_t> m_pixels;
    host::HostPicture m_picture;
};

}  // namespace kdr::aftereffects
