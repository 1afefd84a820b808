#include "kaleidra/install/install_location.h"

#include <dlfcn.h>
#include <link.h>

#include <system_error>

#include "kaleidra/platform/folder_case.h"

namespace kdr::install {
namespace {

// Levels above the file's own folder that may be the installation folder:
// bin/ and LIBS/ are one below it, lib/frei0r-1/ two.
constexpr int levels_above = 2;

bool is_installation_folder(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::is_directory(platform::resolve_entry(folder, "LIBS"), error) &&
           std::filesystem::is_directory(platform::resolve_entry(folder, "EFFECTS"), error);
}

// The file of the executable or shared library this function was loaded
// from. The main program's link map has no name: its file is the one the
// kernel started.
std::optional<std::filesystem::path> own_file() {
    Dl_info info{};
    link_map* map = nullptr;
    if (::dladdr1(reinterpret_cast<void*>(&own_file), &info, reinterpret_cast<void**>(&map),
                  RTLD_DL_LINKMAP) == 0) {
        return std::nullopt;
    }
    std::error_code error;
    std::filesystem::path file;
    if (map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
        file = map->l_name;
    } else {
        file = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) {
            return std::nullopt;
        }
    }
    // The real file, not a link to it placed elsewhere.
    std::filesystem::path real = std::filesystem::canonical(file, error);
    if (error) {
        return std::nullopt;
    }
    return real;
}

}  // namespace

std::optional<std::filesystem::path> installation_folder_around(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    for (int level = 0; level <= levels_above && !folder.empty(); ++level) {
        if (is_installation_folder(folder)) {
            return folder;
        }
        if (folder == folder.root_path()) {
            break;
        }
        folder = folder.parent_path();
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> own_installation_folder() {
    std::optional<std::filesystem::path> file = own_file();
    if (!file) {
        return std::nullopt;
    }
    return installation_folder_around(*file);
}

}  // namespace kdr::install
