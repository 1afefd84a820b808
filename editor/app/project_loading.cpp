#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "kaleidra/editor/preferences.h"
#include "kaleidra/editor/project_file.h"

namespace kdr::editor::app {

Status load_project_file(Project& project, const std::string& file) {
    const Preferences preferences = Preferences::open_default();
    if (Result<RecentValues> started = preferences.start_up(); !started) {
        return Error{"Error getting settings. " + started.error()};
    }
    clear_project(project, preferences);
    std::error_code ignored;
    std::filesystem::path path = std::filesystem::absolute(file, ignored);
    project.file_name = path.empty() ? file : path.lexically_normal().string();
    Result<LoadReport> report = load_project(project);
    if (!report) {
        return Error{report.error()};
    }
    for (const RefusedItem& refused : report->refused) {
        std::fprintf(stderr, "reelbench: left out %s: %s\n", refused.name.c_str(),
                     refused.reason.c_str());
    }
    return Status::success();
}

}  // namespace kdr::editor::app
