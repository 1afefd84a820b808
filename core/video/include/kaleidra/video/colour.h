#pragma once
// How YCbCr video relates to the RGB pictures the engines draw: the matrix
// (BT.601 for standard definition, BT.709 for HD, BT.2020 for UHD) and the
// range (limited: black at 16 and white at 235; full: 0 to 255). Decoding
// with the wrong matrix shifts colours; with the wrong range greys and
// blacks drift.

#include <optional>
#include <string>
#include <string_view>

namespace kdr::video {

enum class ColourMatrix { bt601, bt709, bt2020, smpte240m, fcc, rgb };
enum class ColourRange { limited, full };

struct Colour {
    ColourMatrix matrix = ColourMatrix::bt709;
    ColourRange range = ColourRange::limited;
    bool operator==(const Colour&) const = default;
};

// "bt601", "bt709", "bt2020", "smpte240m", "fcc", "rgb"; "limited", "full".
std::string matrix_name(ColourMatrix matrix);
std::string range_name(ColourRange range);
// Also reads the names ffmpeg uses ("smpte170m", "bt470bg", "tv", "pc").
std::optional<ColourMatrix> parse_matrix(std::string_view name);
std::optional<ColourRange> parse_range(std::string_view name);

}  // namespace kdr::video
