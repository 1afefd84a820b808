#include "kaleidra/plugin_resources/resource_table.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "bytes.h"

namespace kdr::plugin_resources {
namespace {

constexpr std::size_t header_size = 16;
constexpr std::size_t entry_size = 32;
constexpr char magic[4] = {'K', 'R', 'E', 'S'};

bool printable(char c) {
    return c >= 0x20 && c < 0x7F;
}

bool is_valid_type(std::string_view type) {
    return !type.empty() && type.size() <= max_type_length &&
           std::all_of(type.begin(), type.end(), printable);
}

bool is_valid_name(std::string_view name) {
    return name.size() <= max_name_length && std::all_of(name.begin(), name.end(), printable);
}

std::string number_text(std::uint64_t value) {
    return std::to_string(value);
}

}  // namespace

std::string PluginResource::id_text() const {
    return name.empty() ? std::to_string(number) : "\"" + name + "\"";
}

std::string describe_resource(const PluginResource& resource) {
    return resource.type + " " + resource.id_text() + " (" + number_text(resource.data.size()) +
           " bytes)";
}

Result<std::vector<std::uint8_t>> write_resource_table(std::span<const PluginResource> resources) {
    if (resources.size() > max_entries) {
        return Error{number_text(resources.size()) + " resources, at most " +
                     number_text(max_entries)};
    }
    std::uint64_t size = header_size + entry_size * resources.size();
    for (const PluginResource& resource : resources) {
        if (!is_valid_type(resource.type)) {
            return Error{"the type \"" + resource.type +
                         "\" is not 1 to 8 printable ASCII characters"};
        }
        if (!is_valid_name(resource.name)) {
            return Error{resource.type + " " + resource.id_text() +
                         ": a name is at most 255 printable ASCII characters"};
        }
        size += resource.name.size() + resource.data.size();
    }
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        return Error{"the resources do not fit in a table of 4 GiB"};
    }
    std::vector<std::uint8_t> table(static_cast<std::size_t>(size), 0);
    std::memcpy(table.data(), magic, 4);
    put32(table, 4, table_version);
    put32(table, 8, static_cast<std::uint32_t>(resources.size()));
    put32(table, 12, static_cast<std::uint32_t>(size));
    std::size_t next = header_size + entry_size * resources.size();
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const PluginResource& resource = resources[i];
        const std::size_t entry = header_size + entry_size * i;
        std::memcpy(table.data() + entry, resource.type.data(), resource.type.size());
        put32(table, entry + 8,
              resource.name.empty() ? static_cast<std::uint32_t>(resource.number) : 0u);
        if (!resource.name.empty()) {
            put32(table, entry + 12, static_cast<std::uint32_t>(next));
            put32(table, entry + 16, static_cast<std::uint32_t>(resource.name.size()));
            std::memcpy(table.data() + next, resource.name.data(), resource.name.size());
            next += resource.name.size();
        }
        put32(table, entry + 20, static_cast<std::uint32_t>(next));
        put32(table, entry + 24, static_cast<std::uint32_t>(resource.data.size()));
        if (!resource.data.empty()) {
            std::memcpy(table.data() + next, resource.data.data(), resource.data.size());
        }
        next += resource.data.size();
    }
    return table;
}

Result<std::vector<PluginResource>> read_resource_table(std::span<const std::uint8_t> table) {
    if (table.size() < header_size || std::memcmp(table.data(), magic, 4) != 0) {
        return Error{"not a resource table (no \"KRES\" header)"};
    }
    const std::uint32_t version = get32(table, 4);
    if (version != table_version) {
        return Error{"resource table version " + number_text(version) + ", this reader knows " +
                     number_text(table_version)};
    }
    const std::uint32_t count = get32(table, 8);
    const std::uint32_t size = get32(table, 12);
    if (size > table.size()) {
        return Error{"the resource table says it is " + number_text(size) + " bytes, " +
                     number_text(table.size()) + " are there"};
    }
    if (count > max_entries) {
        return Error{number_text(count) + " resources, at most " + number_text(max_entries)};
    }
    if (!within(header_size, std::uint64_t{count} * entry_size, size)) {
        return Error{"the table of " + number_text(count) + " resources does not fit in " +
                     number_text(size) + " bytes"};
    }
    const std::span<const std::uint8_t> bytes = table.first(size);
    std::vector<PluginResource> resources;
    resources.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = header_size + entry_size * i;
        const std::string where = "resource " + number_text(i + 1) + ": ";
        PluginResource resource;
        const auto* type = reinterpret_cast<const char*>(bytes.data() + entry);
        resource.type.assign(type, strnlen(type, max_type_length));
        for (std::size_t c = resource.type.size(); c < max_type_length; ++c) {
            if (type[c] != '\0') {
                return Error{where + "the type has characters after its end"};
            }
        }
        if (!is_valid_type(resource.type)) {
            return Error{where + "the type is not 1 to 8 printable ASCII characters"};
        }
        const std::uint32_t name_offset = get32(bytes, entry + 12);
        const std::uint32_t name_length = get32(bytes, entry + 16);
        const std::uint32_t data_offset = get32(bytes, entry + 20);
        const std::uint32_t data_length = get32(bytes, entry + 24);
        if (name_length > max_name_length) {
            return Error{where + "a name of " + number_text(name_length) + " bytes (at most 255)"};
        }
        if (name_length > 0) {
            if (!within(name_offset, name_length, size)) {
                return Error{where + "its name lies outside the table"};
            }
            resource.name.assign(reinterpret_cast<const char*>(bytes.data() + name_offset),
                                 name_length);
            if (!is_valid_name(resource.name)) {
                return Error{where + "the name is not printable ASCII"};
            }
        } else {
            resource.number = static_cast<std::int32_t>(get32(bytes, entry + 8));
        }
        if (!within(data_offset, data_length, size)) {
            return Error{where + "its " + number_text(data_length) + " bytes at " +
                         number_text(data_offset) + " lie outside the table of " +
                         number_text(size) + " bytes"};
        }
        resource.data.assign(bytes.begin() + data_offset,
                             bytes.begin() + data_offset + data_length);
        resources.push_back(std::move(resource));
    }
    return resources;
}

const PluginResource* find_resource(const std::vector<PluginResource>& resources,
                                    std::string_view type, std::int32_t number) {
    for (const PluginResource& resource : resources) {
        if (resource.type == type && resource.name.empty() && resource.number == number) {
            return &resource;
        }
    }
    return nullptr;
}

const PluginResource* find_named_resource(const std::vector<PluginResource>& resources,
                                          std::string_view type, std::string_view name) {
    for (const PluginResource& resource : resources) {
        if (resource.type == type && !resource.name.empty() && resource.name == name) {
            return &resource;
        }
    }
    return nullptr;
}

}  // namespace kdr::plugin_resources
