#pragma once
// Where rendered frames go: a movie (with its sound), or one picture a frame.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "join_audio.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/video/colour.h"
#include "kaleidra/video/frame_rate.h"

namespace kdr::render_tool {

struct SinkSettings {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t frames = 0;
    video::FrameRate rate{30, 1};
    std::string codec;           // empty: the container's usual one
    std::optional<int> quality;  // 0..100
    std::string pixel_format;    // empty: the codec's default
    video::Colour colour;
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

// A name ending in .mp4, .mov, .mkv, .webm or .avi writes a movie, with the
// sound `audio` gives beside each frame when there is any; a name with a
// number pattern, or ending in .png, .bmp or .tga, writes pictures (a plain
// picture name gets a four-digit frame number before its extension unless
// there is only one frame), which carry no sound.
Result<std::unique_ptr<FrameSink>> open_frame_sink(const std::string& output,
                                                   const SinkSettings& settings,
                                                   std::unique_ptr<JoinAudio> audio = nullptr);

// True when `output` names a movie rather than pictures.
bool is_movie_output(const std::string& output);

}  // namespace kdr::render_tool
