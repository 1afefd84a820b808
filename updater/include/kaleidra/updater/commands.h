#pragma once
// Runs the command records of a parsed script in order:
//   C  copy the source (relative to the update folder) to the destination
//      folder text followed by the source as written; "File copy failed!"
//   9  the older system family's copy: skipped here
//   D  delete a file; a failure shows nothing
//   K  write a string ("S...") or 32-bit number under the script's key, which
//      must already exist (it is never created); a failure shows nothing
//   R  counted; the drive search replaces the files
//   anything else: "Invalid command"
// "C", "D" and "K" are followed by a pause of 100 ms. A command naming
// {KDRDIR} while the installation folder is unknown is refused with a message.
// Copies go through a temporary file renamed over the target, so a failed
// copy leaves the old file whole.

#include <string>
#include <vector>

#include "kaleidra/platform/registry.h"
#include "kaleidra/updater/progress.h"
#include "kaleidra/updater/script.h"

namespace kdr::updater {

struct CommandSettings {
    int update_folder = -1;  // open folder that relative names start from
    const platform::Registry* registry = nullptr;
};

struct CommandOutcome {
    int failed = 0;
    // The arguments of the "R" commands, in order; the drive search takes the
    // first whose name matches.
    std::vector<std::string> replace_names;
    int replace_count = 0;
};

CommandOutcome run_commands(const Script& script, const CommandSettings& settings,
                            Progress& progress);

// The message shown for a refused command.
std::string unknown_installation_message(const Script& script, const CommandRecord& record);

}  // namespace kdr::updater
