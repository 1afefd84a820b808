#pragma once
// The pictures a render takes its videos from: a still picture, a numbered
// sequence of pictures, or a movie. Each output frame asks its source for
// the picture of that frame; sources that run out hold their last picture.

#include <cstdint>
#include <memory>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::render_tool {

class FrameSource {
  public:
    virtual ~FrameSource() = default;

    // What the source was opened from, for messages.
    virtual const std::string& name() const = 0;
    virtual std::uint32_t width() const = 0;
    virtual std::uint32_t height() const = 0;
    // Frames a second of a movie; 0 for pictures.
    virtual double rate() const { return 0; }

    // The picture of output frame `index`, owned by the source and valid
    // until the next call. `generation()` changes whenever a call returned a
    // different picture, so callers can keep what they made from it.
    virtual Result<const ImageRecord*> frame(std::uint32_t index) = 0;
    virtual std::uint64_t generation() const = 0;
};

// Opens `name`: a name with a number pattern is a sequence, a .avi file a
// movie, a .bmp, .tga, .png or .img file a still picture. The error says
// what could not be read and why.
Result<std::unique_ptr<FrameSource>> open_frame_source(const std::string& name);

}  // namespace kdr::render_tool
