#pragma once
// Running kaleidra-select (or any command) through the shell for a test,
// with what it wrote on its two outputs.

#include <string>

namespace kdr::gui::test {

struct CommandResult {
    int exit_code = -1;
    std::string output;
    std::string errors;
};

// Runs `command` with /bin/sh in `folder`, giving up after 120 s.
CommandResult run_command(const std::string& command, const std::string& folder);

// A path or word quoted for the shell.
std::string quoted(const std::string& text);

std::string file_bytes(const std::string& file);

}  // namespace kdr::gui::test
