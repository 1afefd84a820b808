#pragma once
// The command line of reelbench: with no arguments (or a project file) the
// program opens its main window; --render makes a movie of a project without a window (for
// scripts and render farms), --join puts range movies together, --info
// describes a project.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/editor/movie_renderer.h"
#include "kaleidra/platform/result.h"

namespace kdr::editor::app {

enum class Command { window, render, join, info, help };

struct CommandLine {
    Command command = Command::window;
    std::string project;               // --render, --info, the window's project
    bool preview = false;              // --preview
    std::string output;                // --out, or the joined movie
    std::optional<FrameRange> frames;  // --frames A-B
    std::string engine;                // --engine
    int threads = 0;                   // --threads
    bool progress = true;              // --quiet turns the progress lines off
    std::vector<std::string> parts;    // --join OUT PART...
};

// Parses argv[1..]; "--name value" and "--name=value" both work.
Result<CommandLine> parse_command_line(int argc, const char* const* argv);

// "A-B" with 0 <= A <= B.
Result<FrameRange> parse_frame_range(const std::string& text);

std::string help_text();

}  // namespace kdr::editor::app
