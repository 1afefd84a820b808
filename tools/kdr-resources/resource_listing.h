#pragma once
// What kdr-resources prints: one block per resource, the type, the id, the
// size, then the bytes sixteen to a line in hexadecimal beside their
// printable characters; a bitmap by its size and depth instead.

#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/plugin_resources/resource_table.h"

namespace kdr::tools {

std::string resource_listing(const std::string& library,
                             const std::vector<plugin_resources::PluginResource>& resources);

// The resource of `type` whose id is `id`: a number, or a name with or
// without quotes.
const plugin_resources::PluginResource* find_by_id(
    const std::vector<plugin_resources::PluginResource>& resources, std::string_view type,
    std::string_view id);

}  // namespace kdr::tools
