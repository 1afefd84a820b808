#pragma once
// Small ELF files made by hand for the reader's tests (and the fuzz
// target's seeds): a header, a table of section names and the sections
// asked for, 32- or 64-bit, little-endian.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kdr::plugin_resources::test {

struct ElfSection {
    std::string name;
    std::vector<std::uint8_t> data;
    std::uint32_t type = 1;  // PROGBITS
};

inline void put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Header at 0, then the names, then each section's bytes, then the section
// headers: [0] null, [1] ".shstrtab", then `sections` in order.
inline std::vector<std::uint8_t> make_elf(const std::vector<ElfSection>& sections, bool wide) {
    const std::size_t header = wide ? 64 : 52;
    const std::size_t entry = wide ? 64 : 40;
    std::string names(1, '\0');
    std::vector<std::uint32_t> name_at;
    name_at.push_back(static_cast<std::uint32_t>(names.size()));
    names += ".shstrtab";
    names += '\0';
    for (const ElfSection& section : sections) {
        name_at.push_back(static_cast<std::uint32_t>(names.size()));
        names += section.name;
        names += '\0';
    }
    std::vector<std::uint8_t> file(header, 0);
    const std::size_t names_at = file.size();
    file.insert(file.end(), names.begin(), names.end());
    std::vector<std::size_t> data_at;
    for (const ElfSection& section : sections) {
        data_at.push_back(file.size());
        file.insert(file.end(), section.data.begin(), section.data.end());
    }
    const std::size_t table_at = file.size();
    const std::size_t count = 2 + sections.size();
    file.resize(table_at + count * entry, 0);

    file[0] = 0x7F;
    file[1] = 'E';
    file[2] = 'L';
    file[3] = 'F';
    file[4] = wide ? 2 : 1;
    file[5] = 1;
    file[6] = 1;
    put(file, 16, 3, 2);  // a shared object
    if (wide) {
        put(file, 40, table_at, 8);
        put(file, 52, header, 2);
        put(file, 58, entry, 2);
        put(file, 60, count, 2);
        put(file, 62, 1, 2);
    } else {
        put(file, 32, table_at, 4);
        put(file, 40, header, 2);
        put(file, 46, entry, 2);
        put(file, 48, count, 2);
        put(file, 50, 1, 2);
    }
    auto write_entry = [&](std::size_t index, std::uint32_t name, std::uint32_t type,
                           std::size_t offset, std::size_t size) {
        const std::size_t at = table_at + index * entry;
        put(file, at, name, 4);
        put(file, at + 4, type, 4);
        if (wide) {
            put(file, at + 24, offset, 8);
            put(file, at + 32, size, 8);
        } else {
            put(file, at + 16, offset, 4);
            put(file, at + 20, size, 4);
        }
    };
    write_entry(1, name_at[0], 3, names_at, names.size());
    for (std::size_t i = 0; i < sections.size(); ++i) {
        write_entry(2 + i, name_at[i + 1], sections[i].type, data_at[i], sections[i].data.size());
    }
    return file;
}

// Where section header `index` of a file make_elf() made begins.
inline std::size_t section_header_at(const std::vector<std::uint8_t>& file, std::size_t index,
                                     bool wide) {
    std::size_t table = 0;
    for (int i = 0; i < (wide ? 8 : 4); ++i) {
        table |= std::size_t{file[(wide ? 40 : 32) + static_cast<std::size_t>(i)]} << (8 * i);
    }
    return table + index * (wide ? 64 : 40);
}

}  // namespace kdr::plugin_resources::test
