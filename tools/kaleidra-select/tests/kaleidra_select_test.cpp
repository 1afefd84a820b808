// kaleidra-select offscreen, answered by the dialog script, and without any
// display.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/scene/effect_settings.h"
#include "select_runner.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

class KaleidraSelectTest : public ::testing::Test {
  protected:
    KaleidraSelectTest() {
        install.set_number("Prev_Frames", 1);
        install.set_number("Prev_Render", 1);
    }

    // kaleidra-select with `arguments` on the offscreen platform, the
    // script answering the dialog.
    CommandResult select(const std::string& arguments, const std::string& script) const {
        return run_command("QT_QPA_PLATFORM=offscreen KALEIDRA_DIALOG_SCRIPT=" + quoted(script) +
                               " " + KALEIDRA_SELECT_PROGRAM + " " + arguments,
                           install.root());
    }

    struct Stored {
        EffectSettings value;
        Stored() { EXPECT_TRUE(settings_initialise(value)); }
        ~Stored() { settings_destroy(value); }
    };

    fs::path file(const char* name) const { return install.root() / name; }

    TestInstallation install{
        InstallationContents{.recording_engine = true, .preview_engine = "Rnd_Recording"}};
};

TEST_F(KaleidraSelectTest, OkWritesTheChosenEffectIntoANewFile) {
    const CommandResult run = select("f.kri", "choose 1026 1; click 1003; ok");
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    Stored stored;
    ASSERT_TRUE(host::read_settings_file(stored.value, file("f.kri")).ok());
    EXPECT_STREQ(stored.value.name, "PageTurn") << "group 2, third effect";
    const CommandResult dump =
        run_command(std::string(KALEIDRA_DUMP_PROGRAM) + " f.kri", install.root());
    EXPECT_EQ(dump.exit_code, 0) << dump.errors;
    EXPECT_NE(dump.output.find("effect \"PageTurn\""), std::string::npos) << dump.output;
}

TEST_F(KaleidraSelectTest, CancelLeavesAnExistingFileByteForByte) {
    ASSERT_EQ(select("f.kri", "click 1004; ok").exit_code, 0);
    const std::string before = file_bytes(file("f.kri"));
    const CommandResult run = select("f.kri", "click 1002; page 114; cancel");
    EXPECT_EQ(run.exit_code, 1) << run.errors;
    EXPECT_EQ(file_bytes(file("f.kri")), before);
    EXPECT_EQ(select("absent.kri", "cancel").exit_code, 1);
    EXPECT_FALSE(fs::exists(file("absent.kri")));
}

TEST_F(KaleidraSelectTest, OkKeepsTheOptionsOfTheFile) {
    {
        Stored start;
        std::strcpy(start.value.name, "Scroll");
        start.value.globals[global_shadows] = 33;
        auto block = settings_to_block(start.value);
        // The stored block form (size word first) is read as well.
        std::ofstream(file("opts.kri"), std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
    }
    ASSERT_EQ(select("opts.kri", "ok").exit_code, 0);
    Stored stored;
    ASSERT_TRUE(host::read_settings_file(stored.value, file("opts.kri")).ok());
    EXPECT_STREQ(stored.value.name, "Scroll");
    EXPECT_EQ(stored.value.globals[global_shadows], 33.0f);
    EXPECT_EQ(file_bytes(file("opts.kri")).substr(0, 4), "KDRR") << "written as a settings file";
}

TEST_F(KaleidraSelectTest, FilterModeGivesTheFilterItsFrames) {
    ASSERT_EQ(select("--filter filter.kri", "ok").exit_code, 0);
    Stored stored;
    ASSERT_TRUE(host::read_settings_file(stored.value, file("filter.kri")).ok());
    EXPECT_EQ(stored.value.globals[global_filter_frames], 100.0f);
    EXPECT_EQ(stored.value.globals[global_filter_placement], 1.0f);
}

TEST_F(KaleidraSelectTest, ADamagedFileIsNeitherOpenedNorTouched) {
    std::ofstream(file("bad.kri")) << "KDRRthis is not a chunk";
    const std::string before = file_bytes(file("bad.kri"));
    const CommandResult run = select("bad.kri", "ok");
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_NE(run.errors.find("bad.kri"), std::string::npos) << run.errors;
    EXPECT_EQ(file_bytes(file("bad.kri")), before);
}

TEST_F(KaleidraSelectTest, WithoutADisplayItExitsTwoAndSaysWhy) {
    const CommandResult run = run_command("env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY " +
                                              std::string(KALEIDRA_SELECT_PROGRAM) + " f.kri",
                                          install.root());
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.errors.find("kaleidra-select: cannot open a dialog: no display"),
              std::string::npos)
        << run.errors;
    EXPECT_FALSE(fs::exists(file("f.kri")));
    const CommandResult about = run_command(
        "env -u DISPLAY -u QT_QPA_PLATFORM " + std::string(KALEIDRA_SELECT_PROGRAM) + " --about",
        install.root());
    EXPECT_EQ(about.exit_code, 2);
}

TEST_F(KaleidraSelectTest, TheAboutBoxAndTheCommandLine) {
    EXPECT_EQ(select("--about", "ok").exit_code, 0);
    const CommandResult help = select("--help", "");
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.output.find("Usage: kaleidra-select [--filter] FILE"), std::string::npos);
    for (const char* wrong : {"", "--frobnicate f.kri", "a.kri b.kri", "--about f.kri"}) {
        const CommandResult run = select(wrong, "ok");
        EXPECT_EQ(run.exit_code, 4) << wrong;
        EXPECT_NE(run.errors.find("kaleidra-select: "), std::string::npos) << wrong;
    }
}

}  // namespace
}  // namespace kdr::gui::test
