#include "frame_converter.h"

#include "colour_tags.h"
#include "orientation.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace kdr::video::detail {

FrameConverter::~FrameConverter() {
    sws_freeContext(m_scaler);
}

Status FrameConverter::convert(const AVFrame& frame, const AVCodecParameters& stream, int turns,
                               std::uint32_t width, std::uint32_t height, VideoFrame& out) {
    bool full_range = false;
    const AVPixelFormat format = plain_format(static_cast<AVPixelFormat>(frame.format), full_range);
    const bool sideways = turns % 2 != 0;
    const int scaled_width = static_cast<int>(sideways ? height : width);
    const int scaled_height = static_cast<int>(sideways ? width : height);
    const ScalerKey key{frame.width, frame.height, format, scaled_width, scaled_height};
    bool fresh = false;
    if (m_scaler == nullptr || key != m_key) {
        sws_freeContext(m_scaler);
        m_scaler = sws_getContext(frame.width, frame.height, format, scaled_width, scaled_height,
                                  AV_PIX_FMT_BGR24,
                                  // Full chroma interpolation without the exact-rounding flag takes
                                  // swscale's vector path: a 1080p frame in under a millisecond
                                  // instead of eight, at most one level apart.
                                  SWS_BILINEAR | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
        m_key = key;
        fresh = true;
    }
    if (m_scaler == nullptr) {
        return Error{
            "its frames (pixel format " +
            std::string(av_get_pix_fmt_name(format) ? av_get_pix_fmt_name(format) : "unknown") +
            ", " + std::to_string(frame.width) + " x " + std::to_string(frame.height) +
            ") cannot be converted to 24-bit colour"};
    }
    const Colour colour = colour_of_frame(frame, stream);
    if (fresh || colour != m_colour) {
        // Only YCbCr sources use the matrix and range; RGB comes out as it is.
        const int* table = coefficients_for(colour.matrix);
        sws_setColorspaceDetails(m_scaler, table, colour.range == ColourRange::full ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        m_colour = colour;
    }

    out.width = width;
    out.height = height;
    out.stride = bitmap_stride(width);
    out.pixels.assign(std::size_t{out.stride} * height, 0);
    int rows = 0;
    if (turns == 0) {
        // Writing from the last row upwards turns the picture bottom-up.
        std::uint8_t* planes[4] = {out.pixels.data() + std::size_t{out.stride} * (height - 1),
                                   nullptr, nullptr, nullptr};
        const int strides[4] = {-static_cast<int>(out.stride), 0, 0, 0};
        rows = sws_scale(m_scaler, frame.data, frame.linesize, 0, frame.height, planes, strides);
    } else {
        m_stored.assign(std::size_t{static_cast<std::uint32_t>(scaled_width)} * 3 *
                            static_cast<std::uint32_t>(scaled_height),
                        0);
        std::uint8_t* planes[4] = {m_stored.data(), nullptr, nullptr, nullptr};
        const int strides[4] = {scaled_width * 3, 0, 0, 0};
        rows = sws_scale(m_scaler, frame.data, frame.linesize, 0, frame.height, planes, strides);
        if (rows > 0) {
            turn_into_bitmap(m_stored.data(), static_cast<std::uint32_t>(scaled_width),
                             static_cast<std::uint32_t>(scaled_height), turns, out.pixels.data(),
                             out.stride);
        }
    }
    if (rows <= 0) {
        return Error{"a frame could not be converted to 24-bit colour"};
    }
    return Status::success();
}

}  // namespace kdr::video::detail
