#pragma once
// The renderer reads the next frame's pictures and writes the last frame
// while the engine draws, on the platform's one-job thread.

#include "kaleidra/platform/background_job.h"

namespace kdr::render_tool {

using BackgroundJob = platform::BackgroundJob;

}  // namespace kdr::render_tool
