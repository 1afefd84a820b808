#pragma once
// Writing a movie in any container FFmpeg muxes (MP4, MOV, Matroska, WebM,
// AVI) with one video stream and, when asked, one audio stream. Video comes
// one 24-bit bottom-up frame per call (the engines' own layout), audio as
// interleaved float samples; the writer converts, encodes and interleaves.
//
// The movie goes to a temporary file beside the target, which replaces the
// target when close() succeeds; a writer destroyed without close() leaves
// the target as it was and no temporary file. One thread at a time; frames
// come in order.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/video/colour.h"
#include "kaleidra/video/frame_rate.h"

namespace kdr::video {

// How the video stream is encoded. output_codecs.h fills this in from the
// names people use; the AVI writer from its compression options.
struct VideoEncoding {
    std::string encoder;       // FFmpeg's encoder name: "libx264", "mjpeg"
    std::string pixel_format;  // "yuv420p"; empty: the encoder's closest to 24-bit BGR
    // Encoder options by name, generic or the encoder's own: {"crf", "20"}.
    std::vector<std::pair<std::string, std::string>> options;
    std::optional<int> quantiser;  // a fixed quantiser, for encoders that take one
    bool every_frame_key = false;
    // Frames go into the file as given, bottom-up BGR, without an encoder
    // (AVI's full frames).
    bool stored_as_given = false;
    // The colour YCbCr is converted to and tagged with; none leaves the
    // conversion's defaults and writes no tags.
    std::optional<Colour> colour;
    std::string codec_tag;      // four characters the container stores, "hvc1"; empty: its own
    std::int64_t bit_rate = 0;  // bits a second; 0: the encoder's default
    int threads = 0;            // encoder threads; 0: as many as the encoder finds useful
};

// Audio always arrives as interleaved float samples at 48 kHz in stereo.
inline constexpr int movie_sample_rate = 48000;
inline constexpr int movie_channels = 2;

struct AudioEncoding {
    std::string encoder;  // "aac", "libopus", "pcm_s16le"
    std::int64_t bit_rate = 0;
};

struct MovieSettings {
    std::string container;  // FFmpeg's muxer name: "mp4", "mov", "matroska", "webm", "avi"
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    FrameRate rate{30, 1};
    VideoEncoding video;
    std::optional<AudioEncoding> audio;
};

class MovieWriter {
  public:
    // Checks the settings, opens the encoders and writes the header. Fails
    // with a message and leaves nothing behind when something does not fit.
    static Result<MovieWriter> create(const std::filesystem::path& file,
                                      const MovieSettings& settings);

    MovieWriter(MovieWriter&& other) noexcept;
    MovieWriter& operator=(MovieWriter&& other) noexcept;
    ~MovieWriter();

    // Bytes of one frame: rows of width x 3 bytes padded to 4, times height.
    static std::size_t frame_size(std::uint32_t width, std::uint32_t height);

    // The next frame: blue, green, red, bottom row first, rows padded to 4
    // bytes; `size` must be frame_size().
    Status write_frame(const std::uint8_t* pixels, std::size_t size);

    // The next `frames` sample frames (left, right, left, ...), in the range
    // -1 .. 1. Only for movies with audio.
    Status write_audio(const float* samples, std::size_t frames);

    // Flushes the encoders, finishes the file and puts it in place of the
    // target.
    Status close();

    std::uint32_t frames_written() const;
    std::uint64_t audio_frames_written() const;

  private:
    struct State;
    explicit MovieWriter(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace kdr::video
