#include <cstdio>
#include <filesystem>
#include <vector>

#include "commands.h"
#include "kaleidra/video/movie_join.h"

namespace kdr::editor::app {

int join_command(const CommandLine& line) {
    std::vector<std::filesystem::path> parts(line.parts.begin(), line.parts.end());
    Result<video::JoinSummary> joined = video::join_movies(line.output, parts);
    if (!joined) {
        std::fprintf(stderr, "reelbench: %s\n", joined.error().c_str());
        return 1;
    }
    if (line.progress) {
        std::fprintf(stderr, "reelbench: joined %llu frames of %u movies\n",
                     static_cast<unsigned long long>(joined->frames), joined->parts);
    }
    std::printf("%s\n", line.output.c_str());
    return 0;
}

}  // namespace kdr::editor::app
