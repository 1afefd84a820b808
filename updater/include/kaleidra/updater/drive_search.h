#pragma once
// The drive search: every file named by an "R" command (without regard to
// ASCII case) found below the search roots is replaced by the update's file
// of that name, after a copy of it is kept in the backup folder.
//
// Each root is searched from its own top, depth first in name order. A
// folder is skipped when it is the update folder itself (the same folder,
// however it is reached; a sibling whose name merely starts with the same
// text is searched) or when its path contains "MASTER" (exact case); a
// folder whose name begins with "." is not entered. The search never follows
// a symbolic link, never crosses into another mount (another device, or a
// path in `mount_points`, which is searched as its own root if at all) and
// replaces only regular files, each at most once.

#include <string>
#include <vector>

#include "kaleidra/updater/backup.h"
#include "kaleidra/updater/progress.h"

namespace kdr::updater {

struct SearchSettings {
    std::vector<std::string> roots;
    std::vector<std::string> mount_points;
    int update_folder = -1;  // open folder holding the replacement files
};

struct SearchOutcome {
    int failed = 0;
    std::vector<std::string> replaced;  // whole paths, in the order replaced
};

SearchOutcome search_and_replace(const std::vector<std::string>& names,
                                 const SearchSettings& settings, BackupFolder& backup,
                                 Progress& progress);

}  // namespace kdr::updater
