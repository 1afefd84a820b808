#pragma once
// Plug-in resources: data that a host reads from a plug-in's library file
// without loading it (its type, its name in the host's lists, option bytes,
// icons). Each plug-in keeps them in an ELF section of its own,
// "kdr_resources", which holds one table (all numbers little-endian):
//
//   offset 0   4 bytes  "KRES"
//   offset 4   u32      version, 1
//   offset 8   u32      number of entries (at most 1024)
//   offset 12  u32      size of the table in bytes, this header included
//   offset 16           the entries, 32 bytes each:
//       +0   8 bytes  type: 1 to 8 printable ASCII characters, NUL-padded
//                     (the hosts' own four-letter types such as "TYPE" and
//                     "TEXT"; "BITMAP" for device-independent bitmaps)
//       +8   i32      number: the id of a resource known by number
//       +12  u32      offset of its name from the table's start (0: none)
//       +16  u32      length of the name: 0 for a resource known by number,
//                     else 1 to 255 printable ASCII characters, no NUL
//       +20  u32      offset of the data from the table's start
//       +24  u32      length of the data
//       +28  u32      reserved, 0
//   then the names and the data, each inside the table.
//
// The reader treats the table as hostile: every offset and length is
// checked against the table before it is used, and a table that breaks a
// rule is refused with the reason. No state; any thread may call these.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::plugin_resources {

inline constexpr const char* section_name = "kdr_resources";
inline constexpr std::uint32_t table_version = 1;
inline constexpr std::uint32_t max_entries = 1024;
inline constexpr std::size_t max_type_length = 8;
inline constexpr std::size_t max_name_length = 255;

struct PluginResource {
    std::string type;
    std::int32_t number = 0;  // the id, when `name` is empty
    std::string name;         // the id of a resource known by name
    std::vector<std::uint8_t> data;

    // "1000", or the name in quotes: "\"-1\"".
    std::string id_text() const;
    friend bool operator==(const PluginResource&, const PluginResource&) = default;
};

// "TYPE ID (N bytes)", for messages and test output.
std::string describe_resource(const PluginResource& resource);

// Fails, saying which resource breaks which rule, when a type or name is
// not as the format allows, or the table would outgrow 32-bit offsets.
Result<std::vector<std::uint8_t>> write_resource_table(std::span<const PluginResource> resources);

Result<std::vector<PluginResource>> read_resource_table(std::span<const std::uint8_t> table);

// The resource of that type known by that number, or by that name.
const PluginResource* find_resource(const std::vector<PluginResource>& resources,
                                    std::string_view type, std::int32_t number);
const PluginResource* find_named_resource(const std::vector<PluginResource>& resources,
                                          std::string_view type, std::string_view name);

}  // namespace kdr::plugin_resources
