#pragma once
// A plug-in's own resource table, as the build embedded it into its section
// (the CMake helper kdr_plugin_resources in hosts/ generates the definition
// for each plug-in from its resource list). The plug-in reads it from
// memory with read_resource_table(); hosts read the same bytes from the
// file.

#include <cstdint>
#include <span>

namespace kdr::plugin_resources {

std::span<const std::uint8_t> own_resource_table();

}  // namespace kdr::plugin_resources
