#pragma once
// A source's picture at the output size. When the picture already has the
// output size the engine is handed the source's own pixels; otherwise the
// picture is converted once per new source picture into a buffer of the
// output size (block averages when shrinking, nearest pixels when growing).

#include <cstdint>

#include "frame_source.h"
#include "kaleidra/records/layout.h"

namespace kdr::render_tool {

class SizedFrame {
  public:
    SizedFrame(std::uint32_t width, std::uint32_t height);
    ~SizedFrame();
    SizedFrame(const SizedFrame&) = delete;
    SizedFrame& operator=(const SizedFrame&) = delete;

    // The picture of output frame `index`, valid until the next call.
    Result<const ImageRecord*> get(FrameSource& source, std::uint32_t index);

    // How many pictures had to be converted (for tests and statistics).
    std::uint64_t conversions() const { return m_conversions; }

  private:
    std::uint32_t m_width;
    std::uint32_t m_height;
    ImageRecord m_resized;
    std::uint64_t m_generation = 0;
    std::uint64_t m_conversions = 0;
};

}  // namespace kdr::render_tool
