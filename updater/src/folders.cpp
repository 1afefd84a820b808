#include "kaleidra/updater/folders.h"

#include <cstdlib>
#include <string_view>

namespace kdr::updater {
namespace {

constexpr const char* default_windows_folder = "/etc/xdg";
constexpr const char* default_system_folder = "/usr/local/lib";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// The first absolute entry of a colon-separated folder list.
std::string first_absolute(std::string_view list) {
    std::size_t position = 0;
    while (position <= list.size()) {
        std::size_t end = list.find(':', position);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        std::string_view entry = list.substr(position, end - position);
        if (!entry.empty() && entry.front() == '/') {
            return std::string(entry);
        }
        position = end + 1;
    }
    return {};
}

std::string without_trailing_slashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

SystemFolders system_folders_from_environment() {
    SystemFolders folders;
    folders.windows = environment("KALEIDRA_WINDIR");
    if (folders.windows.empty()) {
        folders.windows = first_absolute(environment("XDG_CONFIG_DIRS"));
    }
    if (folders.windows.empty()) {
        folders.windows = default_windows_folder;
    }
    folders.system = environment("KALEIDRA_SYSDIR");
    if (folders.system.empty()) {
        folders.system = default_system_folder;
    }
    folders.windows = without_trailing_slashes(folders.windows);
    folders.system = without_trailing_slashes(folders.system);
    return folders;
}

FolderValues fetch_folder_values(const platform::Registry& registry, const std::string& key,
                                 const SystemFolders& system) {
    FolderValues values;
    values.windows = system.windows;
    values.system = system.system;
    if (key.empty()) {
        return values;
    }
    std::optional<platform::RegistryValue> path = registry.get(key, "Path");
    if (path && path->type == platform::RegistryType::string && !path->text.empty() &&
        path->text.front() == '/') {
        // Exactly as stored: the script decides where separators go.
        values.installation = path->text;
    }
    return values;
}

}  // namespace kdr::updater
