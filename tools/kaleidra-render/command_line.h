#pragma once
// The command line of kaleidra-render: what to render, from what, into what.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/video/colour.h"
#include "kaleidra/video/frame_rate.h"

namespace kdr::render_tool {

// Which field of an interlaced frame comes first in time.
enum class FieldOrder { none, odd_first, even_first };

// Whether a movie carries the sources' sound: by default only a joined one.
enum class AudioChoice { automatic, on, off };

struct RenderOptions {
    std::string effect;  // empty: the name stored in --settings
    std::string source_a;
    std::string source_b;
    std::vector<std::string> extras;
    std::string output;
    std::uint32_t frames = 30;
    std::uint32_t width = 0;  // 0: the size of source A
    std::uint32_t height = 0;
    std::optional<bool> fly_on;
    std::vector<std::string> assignments;  // --set NAME=VALUE, in order
    std::string settings_file;
    std::string engine;  // empty: the registry's "Engine"
    int threads = 0;     // 0: the registry's "Rnd_Multi"; 1 or 2
    FieldOrder fields = FieldOrder::none;
    std::string codec;           // empty: the output container's usual codec
    std::optional<int> quality;  // 0..100; none: the codec's default (85 for AVI's)
    std::string pixel_format;    // empty: the codec's default
    video::Colour colour;        // YCbCr output: BT.709, limited range unless asked
    video::FrameRate rate;       // invalid: source A's rate, else 30
    std::uint32_t a_start = 0;   // in-points, in each source's frames
    std::uint32_t b_start = 0;
    bool join = false;                 // the whole edit: A, the transition, the rest of B
    std::optional<double> at_seconds;  // with join: where the transition starts
    AudioChoice audio = AudioChoice::automatic;
    bool progress = true;
    bool help = false;
};

// Parses argv[1..]; "--name value" and "--name=value" both work.
Result<RenderOptions> parse_command_line(int argc, const char* const* argv);

std::string help_text();

}  // namespace kdr::render_tool
