#pragma once
// Movies as render output: the container by the file's extension, the codec,
// quality, pixel format and colour as the settings ask, and the sound of
// the render beside each frame.

#include <memory>
#include <string>

#include "frame_sink.h"

namespace kdr::render_tool {

Result<std::unique_ptr<FrameSink>> open_movie_sink(const std::string& file,
                                                   const SinkSettings& settings,
                                                   std::unique_ptr<JoinAudio> audio);

}  // namespace kdr::render_tool
