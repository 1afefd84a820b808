#pragma once
// Reading frames of a video file (AVI, or anything else FFmpeg opens) as
// device-independent bitmaps: 24 bits a pixel in blue, green, red order,
// rows padded to 4 bytes, bottom row first, at the stream's size. The AVI
// services of the package in the shape their callers know; VideoReader
// (video_reader.h) does the work and says more.
//
// Frames are exact for every codec FFmpeg decodes, inter-frame codecs
// included: a frame is found by seeking to the key frame at or before it and
// decoding forward. Reading frames in increasing order decodes forward from
// where the last read stopped and never seeks. Asking for the frame just
// read again costs nothing.
//
// One reader is used by one thread at a time; readers of the same file on
// different threads are independent. The reader owns every FFmpeg object it
// opens and releases them when it dies.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/video/video_frame.h"

namespace kdr::video {

class AviReader {
  public:
    // Opens the file's first video stream and its decoder.
    static Result<AviReader> open(const std::filesystem::path& file);

    AviReader(AviReader&& other) noexcept;
    AviReader& operator=(AviReader&& other) noexcept;
    ~AviReader();

    std::uint32_t length() const;  // frames in the stream
    std::uint32_t rate() const;    // frames per second = rate / scale
    std::uint32_t scale() const;
    std::uint32_t width() const;
    std::uint32_t height() const;
    std::string codec_name() const;
    const std::filesystem::path& file() const;

    // Frame `index`, clamped to length - 1. The frame stays valid until the
    // next call or until the reader dies. A damaged or cut-off file gives
    // the last frame that could be decoded before the asked one, or an
    // error when there is none.
    Result<const VideoFrame*> read_frame(std::uint32_t index);

    // How many times the reader has seeked, for checking access patterns.
    std::uint64_t seek_count() const;

  private:
    struct State;
    explicit AviReader(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace kdr::video
