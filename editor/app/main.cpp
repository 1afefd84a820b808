// reelbench: the timeline editor. Without arguments it opens the main
// window; --render, --join and --info work without one.

#include <csignal>
#include <cstdio>

#include "command_line.h"
#include "commands.h"
#include "kaleidra/editor/window/main_window.h"
#include "kaleidra/install/registry_values.h"

int main(int argc, char** argv) {
    using namespace kdr::editor::app;
    kdr::install::set_registry_key(kdr::install::package_registry_key);
    // A file that reaches the size limit fails its write, which the render
    // reports, rather than ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    kdr::Result<CommandLine> line = parse_command_line(argc, argv);
    if (!line) {
        std::fprintf(stderr, "reelbench: %s\nTry 'reelbench --help'.\n", line.error().c_str());
        return 2;
    }
    switch (line->command) {
        case Command::help:
            std::fputs(help_text().c_str(), stdout);
            return 0;
        case Command::render:
            return render_command(*line);
        case Command::join:
            return join_command(*line);
        case Command::info:
            return info_command(*line);
        case Command::window:
            break;
    }
    return kdr::editor::window::run_main_window(argc, argv, line->project);
}
