#pragma once
// Reading a file's first audio stream as interleaved float stereo at 48 kHz
// (movie_writer.h's movie_sample_rate), from any moment on the file's clock:
// whatever the stream's codec, rate and channels, samples come out
// resampled and mixed to two channels, with silence before the stream
// starts, in gaps and after it ends.
//
// Reads continue where the last one stopped and never seek; seek() moves
// the position. One reader is used by one thread at a time; it owns every
// FFmpeg object it opens.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "kaleidra/platform/result.h"

namespace kdr::video {

class AudioReader {
  public:
    // Opens the file's first audio stream and its decoder; positioned at the
    // stream's start.
    static Result<AudioReader> open(const std::filesystem::path& file);

    AudioReader(AudioReader&& other) noexcept;
    AudioReader& operator=(AudioReader&& other) noexcept;
    ~AudioReader();

    // The next read starts at `seconds` on the file's clock, the clock of
    // VideoReader::start_seconds(): video frame f of a reader of the same
    // file shows at start_seconds() + f / rate.
    Status seek(double seconds);

    // The next `frames` sample frames (left, right, left, ...) into
    // `samples`, which holds 2 x frames floats. Undecodable stretches come
    // out silent; an error means the file cannot be read on.
    Status read(float* samples, std::size_t frames);

    std::string codec_name() const;
    std::uint64_t seek_count() const;

  private:
    struct State;
    explicit AudioReader(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace kdr::video
