#include "plugin_strings.h"

#include <vector>

#include "kaleidra/plugin_resources/resource_table.h"

namespace kdr::photoshop {

std::string substitute(std::string_view text, std::initializer_list<std::string_view> arguments) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '2') {
            const std::size_t index = static_cast<std::size_t>(text[i + 1] - '0');
            if (index < arguments.size()) {
                result += *(arguments.begin() + index);
            }
            ++i;
            continue;
        }
        result += text[i];
    }
    return result;
}

std::string plugin_string(std::span<const std::uint8_t> table, std::int32_t id,
                          std::initializer_list<std::string_view> arguments) {
    Result<std::vector<plugin_resources::PluginResource>> resources =
        plugin_resources::read_resource_table(table);
    if (!resources) {
        return {};
    }
    const plugin_resources::PluginResource* text =
        plugin_resources::find_resource(*resources, "STRING", id);
    if (text == nullptr) {
        return {};
    }
    return substitute(
        std::string_view(reinterpret_cast<const char*>(text->data.data()), text->data.size()),
        arguments);
}

}  // namespace kdr::photoshop
