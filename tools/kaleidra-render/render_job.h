#pragma once
// One command-line render: opens the sources, plans the frames (the
// transition alone, or the whole joined edit), builds the settings, loads the
// engine through the host core's render driver, renders every transition
// frame (whole, as two halves, or as field pairs), and hands every frame,
// with its sound, to the output.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "command_line.h"
#include "kaleidra/platform/result.h"

namespace kdr::render_tool {

struct RenderSummary {
    std::string where;         // the output, for the closing message
    std::string engine;        // the engine library used
    std::uint32_t frames = 0;  // written; fewer than planned when interrupted
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool two_threads = false;
    std::uint64_t conversions = 0;  // source pictures that had to be resized
    bool audio = false;             // the movie carries sound
    // Stopped on request after a frame: nothing was finished, a movie's
    // temporary file is gone.
    bool interrupted = false;
};

// Called after each frame with the frames done and the frames in all.
using ProgressFunction = std::function<void(std::uint32_t done, std::uint32_t total)>;

// Refuses an output that would overwrite a source. `stop`, when given, is
// looked at after every frame; once it is set the render ends there.
Result<RenderSummary> run_render(const RenderOptions& options, const ProgressFunction& progress,
                                 const std::atomic<bool>* stop = nullptr);

}  // namespace kdr::render_tool
