#include "kaleidra/plugin_resources/elf_section.h"

#include <cstring>
#include <fstream>
#include <string>

#include "bytes.h"

namespace kdr::plugin_resources {
namespace {

constexpr std::uint8_t elf_class_32 = 1;
constexpr std::uint8_t elf_class_64 = 2;
constexpr std::uint8_t elf_little_endian = 1;
constexpr std::uint16_t section_index_extended = 0xFFFF;
constexpr std::uint16_t section_index_reserved = 0xFF00;
constexpr std::uint32_t section_type_nobits = 8;
// Far more sections than any linker makes; a guard against counts that
// would only waste time.
constexpr std::uint64_t max_sections = 1u << 20;

struct Section {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

struct Layout {
    bool wide = false;
    std::uint64_t table_offset = 0;
    std::uint64_t entry_size = 0;
    std::uint64_t count = 0;
    std::uint64_t names_index = 0;
};

std::string text(std::uint64_t value) {
    return std::to_string(value);
}

Section section_at(std::span<const std::uint8_t> file, const Layout& layout, std::uint64_t index) {
    const std::size_t at =
        static_cast<std::size_t>(layout.table_offset + index * layout.entry_size);
    Section section;
    section.name = get32(file, at);
    section.type = get32(file, at + 4);
    if (layout.wide) {
        section.offset = get64(file, at + 24);
        section.size = get64(file, at + 32);
        section.link = get32(file, at + 40);
    } else {
        section.offset = get32(file, at + 16);
        section.size = get32(file, at + 20);
        section.link = get32(file, at + 24);
    }
    return section;
}

Result<Layout> read_layout(std::span<const std::uint8_t> file) {
    if (file.size() < 16 || std::memcmp(file.data(),
                                        "\x7F"
                                        "ELF",
                                        4) != 0) {
        return Error{"not an ELF file (no ELF header)"};
    }
    Layout layout;
    if (file[4] == elf_class_64) {
        layout.wide = true;
    } else if (file[4] != elf_class_32) {
        return Error{"an ELF file of unknown class " + text(file[4])};
    }
    if (file[5] != elf_little_endian) {
        return Error{"not a little-endian ELF file"};
    }
    const std::size_t header_size = layout.wide ? 64 : 52;
    if (file.size() < header_size) {
        return Error{"the ELF header is cut short"};
    }
    std::uint16_t count16 = 0;
    std::uint16_t names16 = 0;
    if (layout.wide) {
        layout.table_offset = get64(file, 40);
        layout.entry_size = get16(file, 58);
        count16 = get16(file, 60);
        names16 = get16(file, 62);
    } else {
        layout.table_offset = get32(file, 32);
        layout.entry_size = get16(file, 46);
        count16 = get16(file, 48);
        names16 = get16(file, 50);
    }
    if (layout.table_offset == 0) {
        return Error{"the ELF file has no section headers"};
    }
    const std::uint64_t least_entry = layout.wide ? 64 : 40;
    if (layout.entry_size < least_entry) {
        return Error{"section headers of " + text(layout.entry_size) + " bytes (at least " +
                     text(least_entry) + ")"};
    }
    if (!within(layout.table_offset, layout.entry_size, file.size())) {
        return Error{"the section headers lie outside the file"};
    }
    // More sections than 16 bits hold: the first header holds the count and
    // the index of the names.
    const Section first = section_at(file, layout, 0);
    layout.count = count16 != 0 ? count16 : first.size;
    layout.names_index = names16 == section_index_extended ? first.link : names16;
    if (layout.count > max_sections) {
        return Error{text(layout.count) + " sections, more than this reader takes"};
    }
    if (!within(layout.table_offset, layout.count * layout.entry_size, file.size())) {
        return Error{"the " + text(layout.count) + " section headers lie outside the file"};
    }
    if (layout.names_index == 0 ||
        (names16 != section_index_extended && names16 >= section_index_reserved) ||
        layout.names_index >= layout.count) {
        return Error{"the ELF file has no table of section names"};
    }
    return layout;
}

}  // namespace

Result<std::vector<std::uint8_t>> elf_section(std::span<const std::uint8_t> file,
                                              std::string_view name) {
    Result<Layout> layout = read_layout(file);
    if (!layout) {
        return Error{layout.error()};
    }
    const Section names = section_at(file, *layout, layout->names_index);
    if (names.type == section_type_nobits || !within(names.offset, names.size, file.size())) {
        return Error{"the table of section names lies outside the file"};
    }
    const std::span<const std::uint8_t> strings =
        file.subspan(static_cast<std::size_t>(names.offset), static_cast<std::size_t>(names.size));
    for (std::uint64_t index = 1; index < layout->count; ++index) {
        const Section section = section_at(file, *layout, index);
        if (section.name >= strings.size()) {
            continue;
        }
        const auto* start = reinterpret_cast<const char*>(strings.data() + section.name);
        const std::size_t room = strings.size() - section.name;
        const std::size_t length = strnlen(start, room);
        if (length == room || std::string_view(start, length) != name) {
            continue;
        }
        if (section.type == section_type_nobits) {
            return Error{"the section " + std::string(name) + " holds no bytes in the file"};
        }
        if (!within(section.offset, section.size, file.size())) {
            return Error{"the section " + std::string(name) + " lies outside the file"};
        }
        const auto begin = file.begin() + static_cast<std::ptrdiff_t>(section.offset);
        return std::vector<std::uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(section.size));
    }
    return Error{"no section " + std::string(name)};
}

Result<std::vector<PluginResource>> library_resources(std::span<const std::uint8_t> file) {
    Result<std::vector<std::uint8_t>> section = elf_section(file, section_name);
    if (!section) {
        return Error{section.error() + ": the library carries no plug-in resources"};
    }
    return read_resource_table(*section);
}

Result<std::vector<PluginResource>> read_library_resources(const std::filesystem::path& library) {
    std::ifstream in(library, std::ios::binary);
    if (!in) {
        return Error{"cannot open " + library.string()};
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        return Error{"cannot read " + library.string()};
    }
    if (static_cast<std::uint64_t>(size) > max_library_size) {
        return Error{library.string() + " is larger than 1 GiB"};
    }
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        return Error{"cannot read " + library.string()};
    }
    Result<std::vector<PluginResource>> resources = library_resources(bytes);
    if (!resources) {
        return Error{library.string() + ": " + resources.error()};
    }
    return resources;
}

}  // namespace kdr::plugin_resources
