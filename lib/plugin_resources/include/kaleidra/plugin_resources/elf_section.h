#pragma once
// Reading one section of an ELF file (a shared library or plug-in) without
// loading it: 32- and 64-bit little-endian files. The file is hostile
// input: every header field is checked against the file's size before it is
// used; an unreadable or inconsistent file is refused with the reason.
// No state; any thread may call these.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/plugin_resources/resource_table.h"

namespace kdr::plugin_resources {

// Files larger than this are refused rather than read.
inline constexpr std::uint64_t max_library_size = 1024ull * 1024 * 1024;

// The bytes of the section named `name` of the ELF file held in `file`.
Result<std::vector<std::uint8_t>> elf_section(std::span<const std::uint8_t> file,
                                              std::string_view name);

// The plug-in resources of the ELF file held in `file`, or of the library
// file at `library`. A library without the section has no resources: that
// is an error that says so.
Result<std::vector<PluginResource>> library_resources(std::span<const std::uint8_t> file);
Result<std::vector<PluginResource>> read_library_resources(const std::filesystem::path& library);

}  // namespace kdr::plugin_resources
