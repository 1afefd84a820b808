#pragma once
// Creating and writing the movie a render makes, in the steps the editor
// has always taken: open the file, create the video stream at the output
// rate and size, make the compressed stream from the compression options,
// set the stream's format. A failing step shows its "AVI Error." message
// through the message hook (none when the file itself cannot be created),
// unless the caller asks for silence.
//
// MS Video 1, the editor's default compressor, takes only sizes that are
// multiples of 4, which the Settings dialog's ratio rule easily misses: such
// a movie is written with full frames instead, after a message that says so.
//
// Frames go in one at a time, 24-bit, bottom row first, rows padded to 4
// bytes, each a key frame. One thread at a time.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/video/compress_options.h"

namespace kdr::editor {

// Output sizes the editor accepts, as the Settings dialog does.
inline constexpr std::int32_t max_output_dimension = 4096;
// Frame rates the movie files take.
inline constexpr std::int32_t max_output_rate = 999;

struct MovieRequest {
    std::filesystem::path file;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rate = 0;
    video::CompressOptions options;
    bool show_avi_errors = true;
};

class OutputMovie {
  public:
    static Result<OutputMovie> create(const MovieRequest& request);

    OutputMovie(OutputMovie&&) noexcept;
    OutputMovie& operator=(OutputMovie&&) noexcept;
    ~OutputMovie();

    // The next frame; `frame` is 24-bit BGR, bottom row first, alignment 4,
    // of the movie's size.
    Status write(const ImageRecord& frame);
    // Finishes the file and puts it in place of the target.
    Status close();

    std::uint32_t frames_written() const;
    // The options the movie is written with (after a fallback).
    const video::CompressOptions& options() const;

  private:
    struct State;
    explicit OutputMovie(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace kdr::editor
