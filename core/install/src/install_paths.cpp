#include "kaleidra/install/install_paths.h"

#include <cstring>
#include <string>

#include "kaleidra/install/install_location.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/folder_case.h"

namespace kdr::install {

bool is_plain_file_name(std::string_view name) {
    // Backslashes count too: names come from settings and effect files
    // made where they separate folders.
    return !name.empty() && name.find_first_of("/\\") == std::string_view::npos && name != "." &&
           name != "..";
}

std::optional<std::filesystem::path> install_folder() {
    char buffer[max_path_size];
    if (!read_string(buffer, sizeof buffer, "Path") || buffer[0] == '\0') {
        return own_installation_folder();
    }
    std::string folder = buffer;
    // The stored folder has no trailing separator; accept one anyway.
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return std::filesystem::path(folder);
}

std::optional<std::filesystem::path> build_path(const char* folder, const char* name,
                                                const char* extension) {
    if (folder == nullptr || name == nullptr || extension == nullptr || !is_plain_file_name(name)) {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> base = install_folder();
    if (!base) {
        return std::nullopt;
    }
    std::filesystem::path resolved_folder = platform::resolve_entry(*base, folder);
    std::string file_name = std::string(name) + "." + extension;
    std::filesystem::path result = platform::resolve_entry(resolved_folder, file_name);
    if (result.native().size() + 1 > max_path_size) {
        return std::nullopt;
    }
    return result;
}

bool build_path(char* buffer, std::size_t size, const char* folder, const char* name,
                const char* extension) {
    if (buffer == nullptr) {
        return false;
    }
    std::optional<std::filesystem::path> path = build_path(folder, name, extension);
    if (!path || path->native().size() + 1 > size) {
        return false;
    }
    std::memcpy(buffer, path->c_str(), path->native().size() + 1);
    return true;
}

}  // namespace kdr::install
