#pragma once
// Reading the frames of any video file FFmpeg demuxes and decodes (MP4,
// MOV, MKV, WebM, MPEG-TS, AVI, ...) by frame number, as 24-bit bitmaps.
//
// Frame n is the picture on screen n frame durations after the first one:
// the stream's rate decides, and a frame is found by seeking to the key
// frame at or before it and decoding forward. Reading frames in increasing
// order decodes forward from where the last read stopped and never seeks;
// asking for the frame just read again costs nothing.
//
// Pictures come out upright (sideways phone video is turned by its display
// matrix, or refused when it cannot be) and converted from YCbCr with the
// matrix and range the stream's tags give (BT.601 limited when untagged).
// They have the stream's displayed size unless set_output_size() asks for
// another, in which case they are scaled on conversion.
//
// One reader is used by one thread at a time; readers of the same file on
// different threads are independent. The reader owns every FFmpeg object it
// opens and releases them when it dies.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/video/colour.h"
#include "kaleidra/video/frame_rate.h"
#include "kaleidra/video/video_frame.h"

namespace kdr::video {

class VideoReader {
  public:
    // Opens the file's first video stream (cover pictures aside) and its
    // decoder, and decodes the first frame.
    static Result<VideoReader> open(const std::filesystem::path& file);

    VideoReader(VideoReader&& other) noexcept;
    VideoReader& operator=(VideoReader&& other) noexcept;
    ~VideoReader();

    std::uint32_t length() const;  // frames in the stream
    FrameRate rate() const;
    // The displayed size: the stored size, turned.
    std::uint32_t width() const;
    std::uint32_t height() const;
    int quarter_turns() const;  // clockwise quarter turns applied to stored frames
    std::string codec_name() const;
    std::string container_name() const;
    // The colour the last frame read was converted from (the first frame's
    // after open()).
    Colour colour() const;
    // When frame 0 shows, in seconds on the file's clock; audio read from the
    // same file lines up with it there.
    double start_seconds() const;
    bool has_audio() const;
    const std::filesystem::path& file() const;

    // Frames come out `width` x `height` from now on (1 .. max_frame_dimension
    // each); 0 x 0 goes back to the displayed size.
    Status set_output_size(std::uint32_t width, std::uint32_t height);

    // Frame `index`, clamped to length - 1. The frame stays valid until the
    // next call or until the reader dies. A damaged or cut-off file gives
    // the last frame that could be decoded before the asked one, or an
    // error when there is none.
    Result<const VideoFrame*> read_frame(std::uint32_t index);

    // How many times the reader has seeked, for checking access patterns.
    std::uint64_t seek_count() const;

  private:
    struct State;
    explicit VideoReader(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace kdr::video
