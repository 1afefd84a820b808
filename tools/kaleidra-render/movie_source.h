#pragma once
// Movies as render sources, read frame-exactly through the video services
// (any container and codec FFmpeg reads), scaled as they are decoded when
// the output has another size; the last frame holds once the movie has run
// out.

#include <memory>
#include <string>

#include "frame_source.h"

namespace kdr::render_tool {

Result<std::unique_ptr<FrameSource>> open_movie_source(const std::string& file);

}  // namespace kdr::render_tool
