#include "kaleidra/plugin_resources/embedded_source.h"

#include <cstdio>

#include "kaleidra/plugin_resources/resource_table.h"

namespace kdr::plugin_resources {

std::string embedded_table_source(std::span<const std::uint8_t> table, std::string_view origin) {
    std::string source;
    source += "// Made by kdr-resource-pack from ";
    source += origin;
    source += "; not to be edited.\n";
    source += "#include \"kaleidra/plugin_resources/own_resources.h\"\n\n";
    source += "namespace kdr::plugin_resources {\nnamespace {\n\n";
    source += "// Kept although nothing refers to it: hosts read it from the file.\n";
    source += "[[gnu::used, gnu::section(\"";
    source += section_name;
    source += "\")]] const std::uint8_t table[";
    source += std::to_string(table.size());
    source += "] = {";
    for (std::size_t i = 0; i < table.size(); ++i) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%u,", static_cast<unsigned>(table[i]));
        source += i % 24 == 0 ? "\n    " : " ";
        source += byte;
    }
    source += "\n};\n\n}  // namespace\n\n";
    source += "std::span<const std::uint8_t> own_resource_table() {\n";
    source += "    return {table, sizeof table};\n}\n\n";
    source += "}  // namespace kdr::plugin_resources\n";
    return source;
}

}  // namespace kdr::plugin_resources
