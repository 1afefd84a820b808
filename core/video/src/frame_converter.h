#pragma once
// Decoded frames into 24-bit bottom-up bitmaps of a chosen size: the pixel
// format conversion and scaling go through swscale with the coefficients
// the frame's colour tags call for, and sideways video is turned upright.
// One converter per reader; not thread-safe.

#include <cstdint>
#include <string>
#include <vector>

#include "ffmpeg_support.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/video/colour.h"
#include "kaleidra/video/video_frame.h"

namespace kdr::video::detail {

class FrameConverter {
  public:
    FrameConverter() = default;
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // Converts `frame` into `out`, which becomes `width` x `height` (the
    // size after turning) and is `turns` clockwise quarter turns from the
    // stored picture. `stream` supplies colour tags the frame lacks. The
    // error names neither file nor frame; the caller adds them.
    Status convert(const AVFrame& frame, const AVCodecParameters& stream, int turns,
                   std::uint32_t width, std::uint32_t height, VideoFrame& out);

    // The colour of the last frame converted.
    Colour colour() const { return m_colour; }

  private:
    struct ScalerKey {
        int source_width = 0;
        int source_height = 0;
        AVPixelFormat source_format = AV_PIX_FMT_NONE;
        int width = 0;
        int height = 0;
        bool operator==(const ScalerKey&) const = default;
    };
    SwsContext* m_scaler = nullptr;
    ScalerKey m_key;
    Colour m_colour;
    std::vector<std::uint8_t> m_stored;  // the scaled picture before turning
};

}  // namespace kdr::video::detail
