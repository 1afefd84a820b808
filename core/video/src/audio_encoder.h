#pragma once
// The audio stream of a movie being written: interleaved float stereo at
// 48 kHz in, cut into the encoder's frames and converted to the sample
// format it takes. Packets go to a function the writer gives.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ffmpeg_support.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/video/movie_writer.h"

namespace kdr::video::detail {

class AudioEncoder {
  public:
    using PacketSink = std::function<Status(AVPacket* packet, AVRational time_base)>;

    // Opens the encoder and adds its stream to `format`, whose header is
    // not written yet.
    static Result<std::unique_ptr<AudioEncoder>> open(const AudioEncoding& encoding,
                                                      AVFormatContext* format);
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder&) = delete;
    AudioEncoder& operator=(const AudioEncoder&) = delete;

    AVStream* stream() const { return m_stream; }
    Status push(const float* samples, std::size_t frames, const PacketSink& sink);
    // Encodes what is left (padded with silence where the encoder needs
    // whole frames) and drains the encoder.
    Status finish(const PacketSink& sink);
    std::uint64_t frames_pushed() const { return m_pushed; }

  private:
    AudioEncoder() = default;
    Status encode(std::size_t frames, const PacketSink& sink);
    Status drain(const PacketSink& sink);

    CodecContextPtr m_encoder;
    FramePtr m_frame;
    PacketPtr m_packet;
    AVStream* m_stream = nullptr;
    std::size_t m_frame_size = 0;  // sample frames the encoder takes at once
    bool m_short_last = false;     // the last frame may be shorter
    std::vector<float> m_pending;  // interleaved samples not yet encoded
    std::int64_t m_next_pts = 0;
    std::uint64_t m_pushed = 0;
};

}  // namespace kdr::video::detail
