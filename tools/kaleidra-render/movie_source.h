#pragma once
// AVI movies as render sources: frame i of the output shows movie frame i,
// the last frame holding once the movie has run out.

#include <memory>
#include <string>

#include "frame_source.h"

namespace kdr::render_tool {

Result<std::unique_ptr<FrameSource>> open_movie_source(const std::string& file);

}  // namespace kdr::render_tool
