#include "kaleidra/plugin_resources/resource_table.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kdr::plugin_resources {

inline void PrintTo(const PluginResource& resource, std::ostream* out) {
    *out << describe_resource(resource) << " [";
    for (std::uint8_t byte : resource.data) {
        *out << ' ' << static_cast<int>(byte);
    }
    *out << " ]";
}

namespace {

std::vector<std::uint8_t> bytes_of(const char* text, std::size_t size) {
    return {reinterpret_cast<const std::uint8_t*>(text),
            reinterpret_cast<const std::uint8_t*>(text) + size};
}

std::vector<PluginResource> sample() {
    return {
        {"TYPE", 1000, "", bytes_of("\0\0XFPS", 6)},
        {"FXDF", 0, "-1", bytes_of("\0\0TAKE\0", 7)},
        {"BITMAP", 101, "", std::vector<std::uint8_t>(3112, 0x5A)},
        {"EMPTY", -7, "", {}},
    };
}

TEST(ResourceTable, ReadsBackWhatWasWritten) {
    Result<std::vector<std::uint8_t>> table = write_resource_table(sample());
    ASSERT_TRUE(table.ok()) << table.error();
    // Header, four entries, one name of two bytes, 6 + 7 + 3112 data bytes.
    EXPECT_EQ(table->size(), 16u + 4 * 32 + 2 + 6 + 7 + 3112);
    EXPECT_EQ(std::memcmp(table->data(), "KRES\1\0\0\0\4\0\0\0", 12), 0);
    // The first entry: the type NUL-padded to 8 bytes, then the number.
    EXPECT_EQ(std::memcmp(table->data() + 16, "TYPE\0\0\0\0\xE8\x03\0\0", 12), 0);

    Result<std::vector<PluginResource>> read = read_resource_table(*table);
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(*read, sample());
    EXPECT_EQ((*read)[1].id_text(), "\"-1\"");
    EXPECT_EQ((*read)[3].id_text(), "-7");

    EXPECT_EQ(find_resource(*read, "BITMAP", 101), &(*read)[2]);
    EXPECT_EQ(find_resource(*read, "BITMAP", 102), nullptr);
    EXPECT_EQ(find_resource(*read, "FXDF", 0), nullptr) << "known by name, not by number";
    EXPECT_EQ(find_named_resource(*read, "FXDF", "-1"), &(*read)[1]);
    EXPECT_EQ(find_named_resource(*read, "TEXT", "-1"), nullptr);

    // Bytes after the table's own size (section padding) are not read.
    table->resize(table->size() + 5, 0xCC);
    read = read_resource_table(*table);
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(*read, sample());
}

TEST(ResourceTable, RefusesToWriteWhatItCouldNotReadBack) {
    const std::vector<PluginResource> long_type = {{"TOOLONGTYPE", 1, "", {}}};
    EXPECT_FALSE(write_resource_table(long_type).ok());
    const std::vector<PluginResource> no_type = {{"", 1, "", {}}};
    EXPECT_FALSE(write_resource_table(no_type).ok());
    const std::vector<PluginResource> bad_name = {{"TEXT", 0, "a\nb", {}}};
    EXPECT_FALSE(write_resource_table(bad_name).ok());
    const std::vector<PluginResource> many(max_entries + 1, PluginResource{"TEXT", 1, "", {}});
    EXPECT_FALSE(write_resource_table(many).ok());
}

struct Spoiled {
    const char* what;
    void (*spoil)(std::vector<std::uint8_t>&);
    const char* message;
};

void put32(std::vector<std::uint8_t>& table, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        table[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

class SpoiledTable : public ::testing::TestWithParam<Spoiled> {};

TEST_P(SpoiledTable, IsRefusedWithTheReason) {
    std::vector<std::uint8_t> table = *write_resource_table(sample());
    GetParam().spoil(table);
    Result<std::vector<PluginResource>> read = read_resource_table(table);
    ASSERT_FALSE(read.ok()) << GetParam().what;
    EXPECT_NE(read.error().find(GetParam().message), std::string::npos) << read.error();
}

INSTANTIATE_TEST_SUITE_P(
    Tables, SpoiledTable,
    ::testing::Values(
        Spoiled{"magic", [](auto& t) { t[0] = 'X'; }, "not a resource table"},
        Spoiled{"short", [](auto& t) { t.resize(10); }, "not a resource table"},
        Spoiled{"version", [](auto& t) { put32(t, 4, 2); }, "version 2"},
        Spoiled{"size beyond the bytes", [](auto& t) { put32(t, 12, 100000); },
                "says it is 100000 bytes"},
        Spoiled{"count beyond the limit", [](auto& t) { put32(t, 8, 5000); }, "at most 1024"},
        Spoiled{"entries beyond the size", [](auto& t) { put32(t, 12, 40); }, "does not fit"},
        Spoiled{"type not printable", [](auto& t) { t[16] = 0x01; }, "resource 1: the type"},
        Spoiled{"type without end", [](auto& t) { t[16 + 6] = 'Z'; }, "characters after its end"},
        Spoiled{"data outside", [](auto& t) { put32(t, 16 + 20, 0xFFFFFFF0u); },
                "lie outside the table"},
        Spoiled{"data length wraps", [](auto& t) { put32(t, 16 + 24, 0xFFFFFFFFu); },
                "lie outside the table"},
        Spoiled{"name outside", [](auto& t) { put32(t, 48 + 12, 0x7FFFFFFFu); },
                "resource 2: its name lies outside"},
        Spoiled{"name too long", [](auto& t) { put32(t, 48 + 16, 300); }, "a name of 300"},
        Spoiled{"name not printable",
                [](auto& t) {
                    const std::size_t at = t[48 + 12] | t[48 + 13] << 8;
                    t[at] = 0x7F;
                },
                "the name is not printable"}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            c = c == ' ' ? '_' : c;
        }
        return name;
    });

}  // namespace
}  // namespace kdr::plugin_resources
