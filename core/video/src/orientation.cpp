#include "orientation.h"

extern "C" {
#include <libavutil/display.h>
}

#include <cmath>
#include <cstring>

namespace kdr::video::detail {

Result<int> quarter_turns_of(const AVStream& stream) {
    std::size_t size = 0;
    const std::uint8_t* data = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (data == nullptr || size < 9 * sizeof(std::int32_t)) {
        return 0;
    }
    std::int32_t matrix[9];
    std::memcpy(matrix, data, sizeof matrix);
    // A negative determinant mirrors the picture.
    const double determinant = double(matrix[0]) * matrix[4] - double(matrix[1]) * matrix[3];
    if (determinant < 0) {
        return Error{
            "the video is stored mirrored (its display matrix flips it), which is not "
            "undone here; turn it upright first (ffmpeg -i IN -vf hflip OUT)"};
    }
    const double counter_clockwise = av_display_rotation_get(matrix);
    if (std::isnan(counter_clockwise)) {
        return Error{"the video's display matrix is not a rotation"};
    }
    double clockwise = std::fmod(-counter_clockwise, 360.0);
    if (clockwise < 0) {
        clockwise += 360.0;
    }
    const double quarters = clockwise / 90.0;
    const double nearest = std::round(quarters);
    if (std::abs(quarters - nearest) > 0.01) {
        return Error{"the video is meant to be shown turned by " +
                     std::to_string(static_cast<int>(std::lround(clockwise))) +
                     " degrees, which only quarter turns can be; turn it first (ffmpeg -i IN "
                     "-vf rotate=... OUT)"};
    }
    return static_cast<int>(nearest) % 4;
}

void turn_into_bitmap(const std::uint8_t* stored, std::uint32_t stored_width,
                      std::uint32_t stored_height, int turns, std::uint8_t* bitmap,
                      std::uint32_t stride) {
    const bool sideways = turns % 2 != 0;
    const std::uint32_t width = sideways ? stored_height : stored_width;
    const std::uint32_t height = sideways ? stored_width : stored_height;
    const std::size_t stored_stride = std::size_t{stored_width} * 3;
    for (std::uint32_t y = 0; y < height; ++y) {
        // Bottom row first.
        std::uint8_t* row = bitmap + std::size_t{height - 1 - y} * stride;
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t sx = x;
            std::uint32_t sy = y;
            switch (turns) {
                case 1:  // the stored left column, bottom up, is the top row
                    sx = y;
                    sy = stored_height - 1 - x;
                    break;
                case 2:
                    sx = stored_width - 1 - x;
                    sy = stored_height - 1 - y;
                    break;
                case 3:  // the stored right column, top down, is the top row
                    sx = stored_width - 1 - y;
                    sy = x;
                    break;
                default:
                    break;
            }
            std::memcpy(row + std::size_t{x} * 3, stored + sy * stored_stride + std::size_t{sx} * 3,
                        3);
        }
    }
}

}  // namespace kdr::video::detail
