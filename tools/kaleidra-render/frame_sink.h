#pragma once
// Where rendered frames go: a movie, or one picture a frame.

#include <cstdint>
#include <memory>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::render_tool {

struct SinkSettings {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t frames = 0;
    double rate = 30;
    std::string codec = "MJPG";  // four characters
    int quality = 85;            // 0..100
};

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // Frames come in order, each the size the sink was opened with.
    virtual Status write(const ImageRecord& frame) = 0;
    // Completes the output; a movie is only complete after this.
    virtual Status finish() = 0;
    // Where the frames went, for the closing message.
    virtual std::string where() const = 0;
};

// A name ending in .avi writes a movie; a name with a number pattern, or
// ending in .png, .bmp or .tga, writes pictures (a plain picture name gets
// a four-digit frame number before its extension unless there is only one
// frame).
Result<std::unique_ptr<FrameSink>> open_frame_sink(const std::string& output,
                                                   const SinkSettings& settings);

}  // namespace kdr::render_tool
