#include "kaleidra/editor/window/recent_projects.h"

#include <algorithm>

namespace kdr::editor::window {

bool add_recent_project(RecentValues& recent, const std::string& path) {
    if (path.empty() ||
        std::find(recent.projects.begin(), recent.projects.end(), path) != recent.projects.end()) {
        return false;
    }
    const std::uint32_t slot = recent.next_index % recent_project_count;
    recent.projects[slot] = path;
    recent.next_index = (slot + 1) % recent_project_count;
    return true;
}

std::string file_name_part(const std::string& path) {
    const std::size_t cut = path.find_last_of("/:\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string recent_menu_text(int slot, const std::string& path) {
    return "&" + std::to_string(slot + 1) + " " + file_name_part(path);
}

}  // namespace kdr::editor::window
