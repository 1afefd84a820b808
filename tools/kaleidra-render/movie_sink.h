#pragma once
// AVI movies as render output: one key frame per rendered frame, compressed
// by the compressor the settings name.

#include <memory>
#include <string>

#include "frame_sink.h"

namespace kdr::render_tool {

Result<std::unique_ptr<FrameSink>> open_movie_sink(const std::string& file,
                                                   const SinkSettings& settings);

}  // namespace kdr::render_tool
