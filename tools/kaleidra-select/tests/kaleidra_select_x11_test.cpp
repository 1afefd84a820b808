// kaleidra-select under a real X server: the sheet appears as a window of
// its title, Enter presses OK and Escape Cancel (sent with xdotool, as a
// person's keys would come).

#include <gtest/gtest.h>

#include <filesystem>

#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/xvfb_server.h"
#include "select_runner.h"

namespace kdr::gui::test {
namespace {

class KaleidraSelectX11Test : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.start(error, 1280, 1024)) << error;
        install.set_number("Prev_Frames", 1);
    }

    // Starts kaleidra-select on FILE, waits for the sheet's window, gives it
    // the focus and types `key`; returns the program's result.
    CommandResult answer(const std::string& file, const std::string& key) const {
        const std::string script =
            "DISPLAY=" + server.display() + "; export DISPLAY; unset QT_QPA_PLATFORM; " +
            KALEIDRA_SELECT_PROGRAM + " " + quoted(file) + " & program=$!; " +
            "window=$(timeout 60 xdotool search --sync --onlyvisible --name "
            "'^Kaleidra - Selection Dialog$' | head -n 1); " +
            "if [ -z \"$window\" ]; then echo 'no sheet window' >&2; kill $program; exit 90; fi; " +
            "sleep 1; xdotool windowfocus --sync \"$window\" key " + key + "; wait $program";
        return run_command(script, install.root());
    }

    kdr::test::XvfbServer server;
    TestInstallation install{
        InstallationContents{.generic_engine = true, .preview_engine = "Rnd_Generic"}};
};

TEST_F(KaleidraSelectX11Test, EnterWritesTheFileAndEscapeLeavesIt) {
    const CommandResult ok = answer("f.kri", "Return");
    ASSERT_EQ(ok.exit_code, 0) << ok.errors;
    EffectSettings stored;
    EXPECT_TRUE(settings_initialise(stored));
    ASSERT_TRUE(host::read_settings_file(stored, install.root() / "f.kri").ok());
    const std::string chosen = stored.name;
    settings_destroy(stored);
    EXPECT_FALSE(chosen.empty());
    const CommandResult dump =
        run_command(std::string(KALEIDRA_DUMP_PROGRAM) + " f.kri", install.root());
    EXPECT_NE(dump.output.find("effect \"" + chosen + "\""), std::string::npos) << dump.output;

    const std::string before = file_bytes((install.root() / "f.kri").string());
    const CommandResult cancel = answer("f.kri", "Escape");
    EXPECT_EQ(cancel.exit_code, 1) << cancel.errors;
    EXPECT_EQ(file_bytes((install.root() / "f.kri").string()), before);
}

}  // namespace
}  // namespace kdr::gui::test
