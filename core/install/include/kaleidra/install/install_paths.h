#pragma once
// Paths below the installation folder that the registry value "Path" names:
// install folder / folder / name . extension. Folder and file names are found
// without regard to case ("EFFECTS" finds "Effects"). Results are limited to
// 256 bytes with the terminator, as every caller's buffer is; a result that
// would not fit is a failure, never a truncated path.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

namespace kdr::install {

inline constexpr std::size_t max_path_size = 256;

// Folders under the installation folder.
inline constexpr const char* folder_libs = "LIBS";
inline constexpr const char* folder_work = "Work";
inline constexpr const char* folder_effects = "EFFECTS";
inline constexpr const char* folder_textures = "Textures";
inline constexpr const char* folder_warps = "WARPS";
inline constexpr const char* folder_help = "HELP";
inline constexpr const char* folder_projects = "Projects";

// The installation folder that "Path" names. When "Path" cannot be read or
// is empty: the installation folder the calling program or library was
// installed in (install_location.h), or nothing.
std::optional<std::filesystem::path> install_folder();

// True when `name` names a file in a folder and nothing else: not empty, no
// "/" or "\", not "." or "..". Effect and texture names are such names.
bool is_plain_file_name(std::string_view name);

// Builds the path into `buffer` of `size` bytes. Fails (buffer contents
// unspecified) when there is no installation folder, `name` is not a plain
// file name, or the result does not fit.
[[nodiscard]] bool build_path(char* buffer, std::size_t size, const char* folder, const char* name,
                              const char* extension);
std::optional<std::filesystem::path> build_path(const char* folder, const char* name,
                                                const char* extension);

}  // namespace kdr::install
