#pragma once
// Writing a movie: an AVI file with one video stream at a whole number of
// frames per second, fed one 24-bit bottom-up frame per call, every frame
// written as a key frame. The compressor comes from the handler of the
// compression options (see encoders.h) and its quality from their quality
// field (0 .. 10000; quality_default leaves the compressor's own).
//
// The movie goes to a temporary file beside the target, which replaces the
// target when close() succeeds; a writer destroyed without close() leaves
// the target as it was. One thread at a time; frames come in order.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "kaleidra/platform/result.h"
#include "kaleidra/video/compress_options.h"

namespace kdr::video {

class AviWriter {
  public:
    static Result<AviWriter> create(const std::filesystem::path& file, std::uint32_t width,
                                    std::uint32_t height, std::uint32_t frames_per_second,
                                    const CompressOptions& options);

    AviWriter(AviWriter&& other) noexcept;
    AviWriter& operator=(AviWriter&& other) noexcept;
    ~AviWriter();

    // Bytes of one frame: rows of width x 3 bytes padded to 4, times height.
    static std::size_t frame_size(std::uint32_t width, std::uint32_t height);

    // The next frame: blue, green, red, bottom row first, rows padded to 4
    // bytes; `size` must be frame_size().
    Status write_frame(const std::uint8_t* pixels, std::size_t size);

    // Finishes the file (index, headers) and puts it in place of the target.
    Status close();

    std::uint32_t frames_written() const;

  private:
    struct State;
    explicit AviWriter(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace kdr::video
