// Movies are read and written through the video module, which this build
// does not have yet.
#include "movie_sink.h"
#include "movie_source.h"

namespace kdr::render_tool {

Result<std::unique_ptr<FrameSource>> open_movie_source(const std::string& file) {
    return Error{"\"" + file + "\": this build of kaleidra-render reads no AVI movies yet"};
}

Result<std::unique_ptr<FrameSink>> open_movie_sink(const std::string& file, const SinkSettings&) {
    return Error{"\"" + file + "\": this build of kaleidra-render writes no AVI movies yet"};
}

}  // namespace kdr::render_tool
