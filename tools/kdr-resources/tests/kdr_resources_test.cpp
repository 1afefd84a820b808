// kdr-resources on the built plug-ins: every resource the hosts read, with
// the bytes they expect; a bitmap written out as a BMP file; and what it
// says about files that carry no resources.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "kaleidra/testing/program_run.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::tools {
namespace {

kdr::test::ProgramRun run(const std::string& arguments) {
    return kdr::test::run_program(std::string(KDR_RESOURCES) + " " + arguments);
}

std::string listing_of(const char* library) {
    const kdr::test::ProgramRun result = run(std::string("'") + library + "'");
    EXPECT_EQ(result.exit_code, 0) << result.output;
    // The first line names the file; the rest is what the plug-in holds.
    return result.output.substr(result.output.find('\n') + 1);
}

TEST(KdrResources, ListsThePremiereTransitionsResourcesWithTheirBytes) {
    EXPECT_EQ(listing_of(KDR_FX_KDR30),
              "TYPE     1000          6 bytes\n"
              "    00 00 58 46 50 53                                ..XFPS\n"
              "TEXT     1000         20 bytes\n"
              "    00 00 2a 20 4b 61 6c 65 69 64 72 61 20 28 33 2e  ..* Kaleidra (3.\n"
              "    30 29 20 2a                                      0) *\n"
              "TEXT     1001         52 bytes\n"
              "    00 00 54 61 6c 76 61 6e 65 20 49 6e 74 65 72 6e  ..Talvane Intern\n"
              "    61 74 69 6f 6e 61 6c 27 73 20 69 6e 63 72 65 64  ational's incred\n"
              "    69 62 6c 65 20 33 44 20 74 72 61 6e 73 69 74 69  ible 3D transiti\n"
              "    6f 6e 73 2e                                      ons.\n"
              "FXVS     1000          4 bytes\n"
              "    00 00 02 00                                      ....\n"
              "FOPT     1000         10 bytes\n"
              "    00 00 00 00 22 00 00 00 00 00                    ....\".....\n"
              "FXDF     \"-1\"          7 bytes\n"
              "    00 00 54 41 4b 45 00                             ..TAKE.\n"
              "BITMAP   101        3112 bytes  32 x 32 pixels, 24 bits, 3072 bytes of pixels\n");
}

TEST(KdrResources, ListsTheOtherPluginsResources) {
    EXPECT_EQ(listing_of(KDR_FL_KDRM30),
              "TYPE     1000          6 bytes\n"
              "    00 00 74 6c 46 56                                ..tlFV\n"
              "TEXT     1000         21 bytes\n"
              "    00 00 2a 20 4b 44 52 20 4d 75 6c 74 69 20 53 61  ..* KDR Multi Sa\n"
              "    76 65 72 20 2a                                   ver *\n"
              "FLVS     1000          4 bytes\n"
              "    00 00 02 00                                      ....\n");
    const std::string icon =
        "BITMAP   101       14440 bytes  80 x 60 pixels, 24 bits, 14400 bytes of pixels\n";
    EXPECT_EQ(listing_of(KDR_KDR30_TRA), icon);
    EXPECT_EQ(listing_of(KDR_KDRMULTI30), icon);
}

TEST(KdrResources, WritesABitmapAsABmpFileAndOtherResourcesAsTheirBytes) {
    kdr::test::TempFolder folder;
    const std::filesystem::path icon = folder.path() / "icon.bmp";
    kdr::test::ProgramRun result =
        run("--extract BITMAP 101 '" + icon.string() + "' '" + KDR_KDR30_TRA + "'");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    ASSERT_EQ(std::filesystem::file_size(icon), 14u + 40u + 14400u);
    std::ifstream in(icon, std::ios::binary);
    char magic[2] = {};
    in.read(magic, 2);
    EXPECT_EQ(std::string(magic, 2), "BM");

    const std::filesystem::path bytes = folder.path() / "fxdf.bin";
    result = run("--extract FXDF '\"-1\"' '" + bytes.string() + "' '" + KDR_FX_KDR30 + "'");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    std::ifstream data(bytes, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(data), {}};
    EXPECT_EQ(content, std::string("\0\0TAKE\0", 7));

    result = run("--extract TEXT 1002 '" + bytes.string() + "' '" + KDR_FX_KDR30 + "'");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.output.find("has no resource TEXT 1002"), std::string::npos)
        << result.output;
}

TEST(KdrResources, SaysWhyAFileHasNoResources) {
    kdr::test::TempFolder folder;
    const std::filesystem::path text = folder.path() / "notes.txt";
    std::ofstream(text) << "not a library\n";
    kdr::test::ProgramRun result = run("'" + text.string() + "'");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.output.find("notes.txt: not an ELF file"), std::string::npos)
        << result.output;

    // A library of ours that is no plug-in of a host.
    result = run(std::string("'") + KDR_ENGINE + "'");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.output.find("no section kdr_resources: the library carries no plug-in "
                                 "resources"),
              std::string::npos)
        << result.output;

    result = run("'" + (folder.path() / "missing.so").string() + "'");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.output.find("cannot open"), std::string::npos) << result.output;
}

TEST(KdrResources, UsageAndHelp) {
    EXPECT_EQ(run("").exit_code, 2);
    EXPECT_EQ(run("--extract BITMAP 101").exit_code, 2);
    const kdr::test::ProgramRun help = run("--help");
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.output.find("Usage: kdr-resources LIBRARY"), std::string::npos);
}

}  // namespace
}  // namespace kdr::tools
