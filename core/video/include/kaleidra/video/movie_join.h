#pragma once
// Putting movies together without decoding them: the frames of every part
// are copied, in order, into one AVI file. The parts must share the
// compressor, frame size, pixel layout and frame rate (as the range movies
// of one project render do, which Reelbench joins), and each must start with
// a key frame so that it can follow any other. Frames are numbered on from
// part to part.
//
// The result goes to a temporary file beside `output`, which replaces it
// only when every part was copied. Reads and writes files only; any thread.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::video {

struct JoinSummary {
    std::uint64_t frames = 0;
    std::uint32_t parts = 0;
};

Result<JoinSummary> join_movies(const std::filesystem::path& output,
                                const std::vector<std::filesystem::path>& parts);

}  // namespace kdr::video
