#pragma once
// Colour descriptions between our names, FFmpeg's tags and swscale's
// coefficient tables. Conversions always set the coefficients explicitly:
// swscale's own default is BT.601 limited range whatever a frame says.

#include "ffmpeg_support.h"
#include "kaleidra/video/colour.h"

namespace kdr::video::detail {

// The colour a decoded frame is in, by its tags, falling back to the
// stream's, then to BT.601 (what untagged video has been taken to be since
// standard definition) and limited range. RGB frames are reported as rgb.
// Pixel formats that mean full range ("yuvj420p") count as full range.
Colour colour_of_frame(const AVFrame& frame, const AVCodecParameters& stream);

// The tags to write for a colour: matrix, primaries, transfer and range.
struct ColourTags {
    AVColorSpace space = AVCOL_SPC_UNSPECIFIED;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
};
ColourTags tags_for(Colour colour);

// swscale's coefficient table for a matrix.
const int* coefficients_for(ColourMatrix matrix);

// "yuvj420p" and its kind as the plain format and full range; others as
// they are.
AVPixelFormat plain_format(AVPixelFormat format, bool& full_range);

// Whether the pixel format stores RGB rather than YCbCr.
bool is_rgb_format(AVPixelFormat format);

}  // namespace kdr::video::detail
