#include "output_guard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "kaleidra/testing/temp_folder.h"

namespace kdr::render_tool {
namespace {

class OutputGuard : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(folder.path() / "in" / "deeper");
        std::filesystem::create_directories(folder.path() / "out");
        touch("in/a.avi");
        touch("in/b.png");
    }
    std::string at(const std::string& name) const { return (folder.path() / name).string(); }
    void touch(const std::string& name) const { std::ofstream(at(name)) << name; }

    RenderOptions options(const std::string& output) const {
        RenderOptions o;
        o.source_a = at("in/a.avi");
        o.source_b = at("in/b.png");
        o.output = output;
        return o;
    }
    static void expect_refused(const RenderOptions& options, const std::string& role) {
        Status status = check_output_is_not_a_source(options);
        ASSERT_FALSE(status) << options.output << " was allowed";
        EXPECT_NE(status.error().find("is " + role), std::string::npos) << status.error();
        EXPECT_NE(status.error().find("choose another --out"), std::string::npos) << status.error();
    }

    kdr::test::TempFolder folder;
};

TEST_F(OutputGuard, NewAndUnrelatedOutputsPass) {
    EXPECT_TRUE(check_output_is_not_a_source(options(at("out/new.mp4"))));
    touch("out/old.mp4");
    EXPECT_TRUE(check_output_is_not_a_source(options(at("out/old.mp4"))));
    EXPECT_TRUE(check_output_is_not_a_source(options(at("out/f%04d.png"))));
    // Same name, other folder.
    touch("out/a.avi");
    EXPECT_TRUE(check_output_is_not_a_source(options(at("out/a.avi"))));
}

TEST_F(OutputGuard, TheSameFileByAnySpellingIsRefused) {
    expect_refused(options(at("in/a.avi")), "source A");
    expect_refused(options(at("in/deeper/../a.avi")), "source A");
    expect_refused(options(at("in/./b.png")), "source B");
    // From the folder the program runs in, without the folder in the name.
    const std::filesystem::path before = std::filesystem::current_path();
    RenderOptions relative = options("a.avi");
    std::filesystem::current_path(folder.path() / "in");
    Status status = check_output_is_not_a_source(relative);
    std::filesystem::current_path(before);
    EXPECT_FALSE(status);
}

TEST_F(OutputGuard, LinksToASourceAreTheSource) {
    std::filesystem::create_symlink(at("in/a.avi"), at("out/link.avi"));
    expect_refused(options(at("out/link.avi")), "source A");
    std::filesystem::create_hard_link(at("in/b.png"), at("out/hard.png"));
    expect_refused(options(at("out/hard.png")), "source B");
    std::filesystem::create_directory_symlink(folder.path() / "in", at("elsewhere"));
    expect_refused(options(at("elsewhere/a.avi")), "source A");
}

TEST_F(OutputGuard, PatternsAreComparedPictureByPicture) {
    for (const char* name : {"in/s0001.png", "in/s0002.png", "in/s0003.png"}) {
        touch(name);
    }
    RenderOptions sequence = options(at("out/x.mp4"));
    sequence.source_a = at("in/s%04d.png");
    // An output pattern that would write over a picture of the sequence.
    sequence.output = at("in/s%04d.png");
    expect_refused(sequence, "source A");
    // A plain picture name is numbered for more than one frame: s.png
    // becomes s0000.png, s0001.png, ...
    RenderOptions numbered = options(at("in/s.png"));
    numbered.extras = {at("in/s0002.png")};
    expect_refused(numbered, "extra source 1");
    // A pattern that writes other names is fine.
    sequence.output = at("in/t%04d.png");
    EXPECT_TRUE(check_output_is_not_a_source(sequence));
}

TEST_F(OutputGuard, TheSettingsFileIsASourceToo) {
    touch("in/saved.kdr");
    RenderOptions with_settings = options(at("in/saved.kdr"));
    with_settings.settings_file = at("in/saved.kdr");
    expect_refused(with_settings, "the settings file");
}

}  // namespace
}  // namespace kdr::render_tool
