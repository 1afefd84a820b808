#pragma once
// The C++ source that puts a resource table into a plug-in: an array of
// the table's bytes in the section "kdr_resources", and the definition of
// own_resource_table() (own_resources.h) that returns it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kdr::plugin_resources {

// `origin` names the list the table was made from, for the file's comment.
std::string embedded_table_source(std::span<const std::uint8_t> table, std::string_view origin);

}  // namespace kdr::plugin_resources
