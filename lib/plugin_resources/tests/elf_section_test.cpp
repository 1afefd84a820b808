#include "kaleidra/plugin_resources/elf_section.h"

#include <gtest/gtest.h>

#include <fstream>

#include "elf_builder.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::plugin_resources {
namespace {

using test::ElfSection;
using test::make_elf;
using test::put;
using test::section_header_at;

std::vector<std::uint8_t> resource_table() {
    const std::vector<PluginResource> resources = {{"TEXT", 1000, "", {0, 0, 'h', 'i'}}};
    return *write_resource_table(resources);
}

class ElfSectionTest : public ::testing::TestWithParam<bool> {
  protected:
    bool wide() const { return GetParam(); }
    std::vector<std::uint8_t> library() const {
        return make_elf(
            {{".text", {0x90, 0x90, 0xC3}}, {section_name, resource_table()}, {".bss", {}, 8}},
            wide());
    }
};

TEST_P(ElfSectionTest, FindsASectionByName) {
    const std::vector<std::uint8_t> file = library();
    Result<std::vector<std::uint8_t>> text = elf_section(file, ".text");
    ASSERT_TRUE(text.ok()) << text.error();
    EXPECT_EQ(*text, (std::vector<std::uint8_t>{0x90, 0x90, 0xC3}));

    Result<std::vector<PluginResource>> resources = library_resources(file);
    ASSERT_TRUE(resources.ok()) << resources.error();
    ASSERT_EQ(resources->size(), 1u);
    EXPECT_EQ((*resources)[0].data, (std::vector<std::uint8_t>{0, 0, 'h', 'i'}));

    Result<std::vector<std::uint8_t>> missing = elf_section(file, ".data");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error(), "no section .data");
    Result<std::vector<std::uint8_t>> empty = elf_section(file, ".bss");
    ASSERT_FALSE(empty.ok());
    EXPECT_NE(empty.error().find("holds no bytes"), std::string::npos);
}

TEST_P(ElfSectionTest, ALibraryWithoutResourcesSaysSo) {
    const std::vector<std::uint8_t> file = make_elf({{".text", {0xC3}}}, wide());
    Result<std::vector<PluginResource>> resources = library_resources(file);
    ASSERT_FALSE(resources.ok());
    EXPECT_NE(resources.error().find("carries no plug-in resources"), std::string::npos);
}

TEST_P(ElfSectionTest, ManySectionsCountedInTheFirstHeader) {
    // With the count 0 and the names index 0xFFFF in the file header, the
    // first section header holds both.
    std::vector<std::uint8_t> file = library();
    const std::size_t first = section_header_at(file, 0, wide());
    put(file, wide() ? 60 : 48, 0, 2);
    put(file, wide() ? 62 : 50, 0xFFFF, 2);
    put(file, first + (wide() ? 32 : 20), 5, wide() ? 8 : 4);
    put(file, first + (wide() ? 40 : 24), 1, 4);
    Result<std::vector<std::uint8_t>> section = elf_section(file, section_name);
    ASSERT_TRUE(section.ok()) << section.error();
    EXPECT_EQ(*section, resource_table());
}

struct Spoiled {
    const char* what;
    void (*spoil)(std::vector<std::uint8_t>& file, bool wide);
    const char* message;
};

class SpoiledElf : public ::testing::TestWithParam<std::tuple<Spoiled, bool>> {};

TEST_P(SpoiledElf, IsRefusedWithTheReason) {
    const auto& [spoiled, wide] = GetParam();
    std::vector<std::uint8_t> file =
        make_elf({{".text", {0xC3}}, {section_name, resource_table()}}, wide);
    spoiled.spoil(file, wide);
    Result<std::vector<std::uint8_t>> section = elf_section(file, section_name);
    ASSERT_FALSE(section.ok()) << spoiled.what;
    EXPECT_NE(section.error().find(spoiled.message), std::string::npos) << section.error();
}

std::size_t table_offset_at(bool wide) {
    return wide ? 40 : 32;
}

INSTANTIATE_TEST_SUITE_P(Files, SpoiledElf,
                         ::testing::
                             Combine(::testing::Values(Spoiled{"magic",
                                                               [](auto& f, bool) { f[1] = 'X'; },
                                                               "not an ELF file"},
                                                       Spoiled{"tiny",
                                                               [](auto& f, bool) { f.resize(12); },
                                                               "not an ELF file"},
                                                       Spoiled{"class",
                                                               [](auto& f, bool) { f[4] = 3; },
                                                               "unknown class 3"},
                                                       Spoiled{"big-endian",
                                                               [](auto& f, bool) { f[5] = 2; },
                                                               "not a little-endian"},
                                                       Spoiled{"header cut",
                                                               [](auto& f, bool) { f.resize(30); },
                                                               "header is cut short"},
                                                       Spoiled{"no section headers",
                                                               [](auto& f, bool w) {
                                                                   put(f, table_offset_at(w), 0,
                                                                       w ? 8 : 4);
                                                               },
                                                               "no section headers"},
                                                       Spoiled{"headers beyond the file",
                                                               [](auto& f, bool w) {
                                                                   put(f, table_offset_at(w),
                                                                       0xFFFFFF00u, w ? 8 : 4);
                                                               },
                                                               "outside the file"},
                                                       Spoiled{
                                                           "headers cut off",
                                                           [](auto& f,
                                                              bool) { f.resize(f.size() - 10); },
                                                           "outside the file"},
                                                       Spoiled{
                                                           "small header entries",
                                                           [](auto& f, bool w) {
                                                               put(f, w ? 58 : 46, 16, 2);
                                                           },
                                                           "section headers of 16 bytes"},
                                                       Spoiled{"count beyond 16 bits",
                                                               [](auto& f, bool w) {
                                                                   put(f, w ? 60 : 48, 0, 2);
                                                                   put(f,
                                                                       section_header_at(f, 0, w) +
                                                                           (w ? 32 : 20),
                                                                       0xFFFFFFFFu, 4);
                                                               },
                                                               "more than this reader takes"},
                                                       Spoiled{
                                                           "no names",
                                                           [](auto& f,
                                                              bool w) { put(f, w ? 62 : 50, 0, 2); },
                                                           "no table of section names"},
                                                       Spoiled{"names index too big",
                                                               [](auto& f, bool w) {
                                                                   put(f, w ? 62 : 50, 9, 2);
                                                               },
                                                               "no table of section names"},
                                                       Spoiled{"names outside",
                                                               [](auto& f, bool w) {
                                                                   put(f,
                                                                       section_header_at(f, 1, w) +
                                                                           (w ? 24 : 16),
                                                                       0x7FFFFFF0u, 4);
                                                               },
                                                               "names lies outside the file"},
                                                       Spoiled{"section outside",
                                                               [](auto& f, bool w) {
                                                                   put(f,
                                                                       section_header_at(f, 3, w) +
                                                                           (w ? 32 : 20),
                                                                       0x7FFFFFF0u, 4);
                                                               },
                                                               "kdr_resources lies outside the "
                                                               "file"},
                                                       Spoiled{"name without end",
                                                               [](auto& f, bool w) {
                                                                   // The names table ends before
                                                                   // the last name's NUL.
                                                                   const std::size_t size_at =
                                                                       section_header_at(f, 1, w) +
                                                                       (w ? 32 : 20);
                                                                   put(f, size_at, f[size_at] - 1,
                                                                       1);
                                                               },
                                                               "no section kdr_resources"}),
                                     ::testing::Bool()));

TEST(ReadLibraryResources, ReadsAFileAndNamesItInErrors) {
    kdr::test::TempFolder folder;
    const std::filesystem::path file = folder.path() / "Plugin.so";
    {
        const std::vector<std::uint8_t> bytes = make_elf({{section_name, resource_table()}}, true);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    Result<std::vector<PluginResource>> resources = read_library_resources(file);
    ASSERT_TRUE(resources.ok()) << resources.error();
    EXPECT_EQ(resources->size(), 1u);

    Result<std::vector<PluginResource>> missing = read_library_resources(folder.path() / "no.so");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("no.so"), std::string::npos);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "#!/bin/sh\n";
    }
    Result<std::vector<PluginResource>> script = read_library_resources(file);
    ASSERT_FALSE(script.ok());
    EXPECT_NE(script.error().find("Plugin.so: not an ELF file"), std::string::npos)
        << script.error();
}

INSTANTIATE_TEST_SUITE_P(Classes, ElfSectionTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "elf64" : "elf32"; });

}  // namespace
}  // namespace kdr::plugin_resources
