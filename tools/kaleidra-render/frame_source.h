#pragma once
// The pictures a render takes its videos from: a still picture, a numbered
// sequence of pictures, or a movie. Each output frame asks its source for
// the picture of that frame; sources that run out hold their last picture.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/video/frame_rate.h"

namespace kdr::render_tool {

// What a movie source tells beyond its pictures: where its sound is.
struct MovieFacts {
    std::filesystem::path file;
    bool has_audio = false;
    double start_seconds = 0;  // when frame 0 shows, on the file's clock
};

class FrameSource {
  public:
    virtual ~FrameSource() = default;

    // What the source was opened from, for messages.
    virtual const std::string& name() const = 0;
    virtual std::uint32_t width() const = 0;
    virtual std::uint32_t height() const = 0;
    // Frames a second of a movie; invalid for pictures, which follow the
    // output frame by frame.
    virtual video::FrameRate rate() const { return {}; }
    // Frames of a movie or pictures of a sequence; 0 for a still picture.
    virtual std::uint32_t length() const { return 0; }
    // Null unless the source is a movie.
    virtual const MovieFacts* movie() const { return nullptr; }
    // Asks for pictures of this size from now on, for sources that can
    // scale as they decode; others leave it to the caller.
    virtual Status fit_to(std::uint32_t /*width*/, std::uint32_t /*height*/) {
        return Status::success();
    }

    // The picture of source frame `index` (the last one once the source
    // has run out), owned by the source and valid until the next call.
    // `generation()` changes whenever a call returned a different picture,
    // so callers can keep what they made from it.
    virtual Result<const ImageRecord*> frame(std::uint32_t index) = 0;
    virtual std::uint64_t generation() const = 0;
};

// Opens `name`: a name with a number pattern is a sequence, a .bmp, .tga,
// .png or .img file a still picture, anything else a movie. The error says
// what could not be read and why.
Result<std::unique_ptr<FrameSource>> open_frame_source(const std::string& name);

}  // namespace kdr::render_tool
