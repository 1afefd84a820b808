// Where the registry stores lie: `$KALEIDRA_REGISTRY` alone, or the user's
// store over the system stores, as XDG configuration files are found.

#include <cstdlib>
#include <string>
#include <string_view>

#include "kaleidra/platform/registry.h"

namespace kdr::platform {
namespace {

constexpr const char* store_in_folder = "kaleidra/registry";
constexpr const char* default_system_folder = "/etc/xdg";

std::optional<std::filesystem::path> single_store() {
    const char* file = std::getenv("KALEIDRA_REGISTRY");
    if (file != nullptr && *file != '\0') {
        return std::filesystem::path(file);
    }
    return std::nullopt;
}

}  // namespace

std::filesystem::path Registry::default_file() {
    if (std::optional<std::filesystem::path> single = single_store()) {
        return *single;
    }
    std::filesystem::path config;
    // Relative folders in the XDG variables are invalid and ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        config = std::filesystem::path(home) / ".config";
    } else {
        config = "/tmp";
    }
    return config / store_in_folder;
}

std::vector<std::filesystem::path> Registry::system_files() {
    if (single_store()) {
        return {};
    }
    std::vector<std::filesystem::path> files;
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string_view list = dirs != nullptr ? dirs : "";
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view folder = list.substr(0, colon);
        list = colon == std::string_view::npos ? std::string_view{} : list.substr(colon + 1);
        if (!folder.empty() && folder.front() == '/') {
            files.push_back(std::filesystem::path(folder) / store_in_folder);
        }
    }
    if (files.empty()) {
        files.push_back(std::filesystem::path(default_system_folder) / store_in_folder);
    }
    return files;
}

Registry Registry::open_default() {
    return Registry(default_file(), system_files(), false);
}

Registry Registry::open_system() {
    std::vector<std::filesystem::path> system = system_files();
    if (system.empty()) {
        return Registry(default_file());
    }
    return Registry(system.front(), {}, true);
}

}  // namespace kdr::platform
