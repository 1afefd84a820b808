#pragma once
// One command-line render: opens the sources, builds the settings, loads the
// engine through the host core's render driver, renders every frame (whole,
// as two halves, or as field pairs) and hands it to the output.

#include <cstdint>
#include <functional>
#include <string>

#include "command_line.h"
#include "kaleidra/platform/result.h"

namespace kdr::render_tool {

struct RenderSummary {
    std::string where;   // the output, for the closing message
    std::string engine;  // the engine library used
    std::uint32_t frames = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool two_threads = false;
    std::uint64_t conversions = 0;  // source pictures that had to be resized
};

// Called after each frame with the frames done and the frames in all.
using ProgressFunction = std::function<void(std::uint32_t done, std::uint32_t total)>;

Result<RenderSummary> run_render(const RenderOptions& options, const ProgressFunction& progress);

}  // namespace kdr::render_tool
