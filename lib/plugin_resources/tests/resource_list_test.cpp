#include "kaleidra/plugin_resources/resource_list.h"

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/testing/temp_folder.h"

namespace kdr::plugin_resources {

inline void PrintTo(const PluginResource& resource, std::ostream* out) {
    *out << describe_resource(resource) << " [";
    for (std::uint8_t byte : resource.data) {
        *out << ' ' << static_cast<int>(byte);
    }
    *out << " ]";
}

namespace {

std::vector<std::uint8_t> bytes_of(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(ResourceList, ReadsBytesTextsNamesAndFiles) {
    kdr::test::TempFolder folder;
    {
        std::ofstream icon(folder.path() / "icon.bmp", std::ios::binary);
        icon << "BMP!";
    }
    const char* list =
        "# Resources of a transition\n"
        "TYPE 1000 bytes 00 00 \"XFPS\"\n"
        "\n"
        "TEXT   1001\tbytes 00 00 \"say \\\"hi\\\" # not a comment\"   # a comment\n"
        "FOPT 1000 bytes 00 00 00 00 22 00 00 00 00 00\n"
        "FXDF \"-1\" bytes 00 00 \"TAKE\" 00\n"
        "FXVS -3 bytes\n"
        "BITMAP 101 file icon.bmp\r\n";
    Result<std::vector<PluginResource>> resources = parse_resource_list(list, folder.path());
    ASSERT_TRUE(resources.ok()) << resources.error();
    const std::vector<PluginResource> expected = {
        {"TYPE", 1000, "", bytes_of(std::string_view("\0\0XFPS", 6))},
        {"TEXT", 1001, "", bytes_of(std::string_view("\0\0say \"hi\" # not a comment", 26))},
        {"FOPT", 1000, "", {0, 0, 0, 0, 0x22, 0, 0, 0, 0, 0}},
        {"FXDF", 0, "-1", bytes_of(std::string_view("\0\0TAKE\0", 7))},
        {"FXVS", -3, "", {}},
        {"BITMAP", 101, "", bytes_of("BMP!")},
    };
    EXPECT_EQ(*resources, expected);
}

struct BadList {
    const char* text;
    const char* message;
};

class BadResourceList : public ::testing::TestWithParam<BadList> {};

TEST_P(BadResourceList, NamesTheLineAndTheFault) {
    kdr::test::TempFolder folder;
    Result<std::vector<PluginResource>> resources =
        parse_resource_list(GetParam().text, folder.path());
    ASSERT_FALSE(resources.ok()) << GetParam().text;
    EXPECT_EQ(resources.error(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadResourceList,
    ::testing::Values(
        BadList{"TEXT 1000\n", "line 1: a resource needs a type, an id and its content"},
        BadList{"\nTEXT x1 bytes 00\n",
                "line 2: the id \"x1\" is neither a number nor a name in quotes"},
        BadList{"TEXT 1 bytes 0g\n",
                "line 1: \"0g\" is neither a byte in two hexadecimal digits nor a text"},
        BadList{"TEXT 1 bytes 000\n",
                "line 1: \"000\" is neither a byte in two hexadecimal digits nor a text"},
        BadList{"TEXT 1 bytes \"open\n", "line 1: a text in quotes is not closed"},
        BadList{"TEXT 1 bytes \"a\\n\"\n", "line 1: only \\\" and \\\\ may follow a backslash"},
        BadList{"TEXT 1 words 00\n",
                "line 1: the content is \"bytes ...\" or \"file NAME\", not \"words\""},
        BadList{"TEXT 1 file\n", "line 1: file takes one file name"},
        BadList{"TEXT 1 bytes 00\nTEXT 1 bytes 01\n", "line 2: TEXT 1 appears twice"},
        BadList{"TOOLONGTYPE 1 bytes 00\n",
                "line 1: the type \"TOOLONGTYPE\" is not 1 to 8 printable ASCII characters"},
        BadList{"TEXT \"\" bytes 00\n", "line 1: an empty name"},
        BadList{"\"TEXT\" 1 bytes 00\n", "line 1: the type is a word, not a text in quotes"}));

TEST(ResourceList, AMissingFileIsNamed) {
    kdr::test::TempFolder folder;
    Result<std::vector<PluginResource>> resources =
        parse_resource_list("BITMAP 101 file icon-80.bmp\n", folder.path());
    ASSERT_FALSE(resources.ok());
    EXPECT_NE(resources.error().find("line 1: cannot read"), std::string::npos);
    EXPECT_NE(resources.error().find("icon-80.bmp"), std::string::npos);
}

}  // namespace
}  // namespace kdr::plugin_resources
