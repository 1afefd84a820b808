#include "resource_listing.h"

#include <charconv>
#include <cstdio>

#include "kaleidra/plugin_resources/bitmap_resource.h"

namespace kdr::tools {
namespace {

namespace pr = plugin_resources;

constexpr std::size_t bytes_per_line = 16;

std::string hex_lines(const std::vector<std::uint8_t>& data) {
    std::string text;
    for (std::size_t start = 0; start < data.size(); start += bytes_per_line) {
        std::string hex;
        std::string chars;
        for (std::size_t i = start; i < start + bytes_per_line && i < data.size(); ++i) {
            char byte[4];
            std::snprintf(byte, sizeof byte, "%02x ", data[i]);
            hex += byte;
            chars += data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '.';
        }
        hex.resize(bytes_per_line * 3, ' ');
        text += "    " + hex + " " + chars + "\n";
    }
    return text;
}

}  // namespace

std::string resource_listing(const std::string& library,
                             const std::vector<pr::PluginResource>& resources) {
    std::string text = library + ": " + std::to_string(resources.size()) +
                       (resources.size() == 1 ? " resource\n" : " resources\n");
    for (const pr::PluginResource& resource : resources) {
        char head[96];
        std::snprintf(head, sizeof head, "%-8s %-8s %6zu bytes", resource.type.c_str(),
                      resource.id_text().c_str(), resource.data.size());
        text += head;
        if (resource.type == "BITMAP") {
            auto shape = pr::describe_bitmap(resource.data);
            if (shape) {
                text += "  " + std::to_string(shape->width) + " x " +
                        std::to_string(shape->height) + " pixels, " + std::to_string(shape->bits) +
                        " bits, " + std::to_string(shape->pixel_bytes) + " bytes of pixels\n";
            } else {
                text += "  not a bitmap: " + shape.error() + "\n" + hex_lines(resource.data);
            }
            continue;
        }
        text += "\n" + hex_lines(resource.data);
    }
    return text;
}

const pr::PluginResource* find_by_id(const std::vector<pr::PluginResource>& resources,
                                     std::string_view type, std::string_view id) {
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    if (error == std::errc() && end == id.data() + id.size()) {
        if (const pr::PluginResource* found = pr::find_resource(resources, type, number)) {
            return found;
        }
    }
    if (id.size() >= 2 && id.front() == '"' && id.back() == '"') {
        id = id.substr(1, id.size() - 2);
    }
    return pr::find_named_resource(resources, type, id);
}

}  // namespace kdr::tools
