#pragma once
// The output settings record of a project: window placements, the preview
// and final sizes, the frame rate, the field mode, and the preview and final
// compression options with the compressor parameter blocks they own. A new
// project starts from the record saved as the defaults (preferences.h);
// project files keep it whole.
//
// Stored form: 400 bytes, little-endian (the "SETW" chunk of project files):
//   0 main window left, top, width, height      16 player window, the same
//   32 preview compression options (44 bytes)   76 preview width, 80 height
//   84 last final movie, 256 bytes NUL-ended    340 final compression options
//   384 frame rate   388 final width   392 final height   396 field mode
// The parameter blocks travel beside it ("PRVX", "OUTX"); the pointer words
// of the options (lpFormat, lpParms) mean nothing outside a running program
// and are always stored as 0. A plain value type; any thread may use its own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kaleidra/video/compress_options.h"

namespace kdr::editor {

inline constexpr std::size_t output_settings_size = 400;
// Longest path of the last final movie, without its terminator.
inline constexpr std::size_t max_last_final_size = 255;

enum FieldMode : std::int32_t {
    field_mode_frames = 0,
    field_mode_odd_first = 1,
    field_mode_even_first = 2,
};

struct WindowPlacement {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const WindowPlacement&) const = default;
};

// Both options blocks keep parameter_size equal to parameters.size() and
// their pointer words 0.
struct OutputSettings {
    WindowPlacement main_window;
    WindowPlacement player_window;
    video::CompressOptions preview_options;
    std::int32_t preview_width = 0;
    std::int32_t preview_height = 0;
    std::string last_final;  // empty when no final was made
    video::CompressOptions final_options;
    std::int32_t rate = 0;  // frames per second, preview and final
    std::int32_t final_width = 0;
    std::int32_t final_height = 0;
    std::int32_t field_mode = field_mode_frames;

    bool operator==(const OutputSettings&) const = default;
};

// "vids", "msvc" (MS Video 1), a key frame every 7, quality 7500, flags 12
// (key frames, valid), and a 4-byte parameter block holding 75.
video::CompressOptions default_compress_options();

// Preview 64 x 48, final 160 x 120, 30 frames a second, whole frames, the
// default options for both.
OutputSettings default_output_settings();

// Sets the parameter block and its size together.
void set_parameters(video::CompressOptions& options, std::vector<std::uint8_t> parameters);

std::array<std::uint8_t, output_settings_size> encode_output_settings(
    const OutputSettings& settings);

// Copies `size` stored bytes (at most 400; a shorter block changes only the
// fields it covers) over `settings`. Both parameter blocks are dropped: the
// stored parameter sizes describe blocks that travel separately. A last
// final path without a terminator keeps its first 255 bytes.
void decode_output_settings(OutputSettings& settings, const std::uint8_t* data, std::size_t size);

// The 44 stored bytes of one options block (pointer words 0), and reading
// them back (parameters dropped, parameter size 0).
std::array<std::uint8_t, video::compress_options_size> encode_compress_options(
    const video::CompressOptions& options);
video::CompressOptions decode_compress_options(const std::uint8_t* data);

}  // namespace kdr::editor
