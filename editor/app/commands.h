#pragma once
// The commands of reelbench's command line. Each returns the program's exit
// status: 0 done, 1 failed (the reason on standard error), 2 misuse.

#include <string>

#include "command_line.h"
#include "kaleidra/editor/project.h"
#include "kaleidra/platform/result.h"

namespace kdr::editor::app {

// The editor's start-up (the preferences, created on a first start), then
// the project file loaded into a cleared project. Items that cannot be
// loaded are reported on standard error and left out.
Status load_project_file(Project& project, const std::string& file);

int render_command(const CommandLine& line);
int join_command(const CommandLine& line);
int info_command(const CommandLine& line);

}  // namespace kdr::editor::app
