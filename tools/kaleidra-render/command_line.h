#pragma once
// The command line of kaleidra-render: what to render, from what, into what.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::render_tool {

// Which field of an interlaced frame comes first in time.
enum class FieldOrder { none, odd_first, even_first };

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
    std::string codec = "MJPG";
    int quality = 85;  // 0..100
    double rate = 0;   // frames a second; 0: source A's rate, else 30
    bool progress = true;
    bool help = false;
};

// Parses argv[1..]; "--name value" and "--name=value" both work.
Result<RenderOptions> parse_command_line(int argc, const char* const* argv);

std::string help_text();

}  // namespace kdr::render_tool
