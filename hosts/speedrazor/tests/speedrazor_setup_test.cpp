// Kdr30.tra's setup and about box as Speed Razor asks for them, through the
// real selection dialog of Kaleidra30 (offscreen, answered by its dialog
// script).

#include <gtest/gtest.h>

#include "speedrazor_test_support.h"

namespace kdr::speedrazor::test {
namespace {

class SpeedRazorSetupTest : public SpeedRazorHostTest {
  protected:
    void SetUp() override {
        SpeedRazorHostTest::SetUp();
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        std::filesystem::create_directories(root() / "orgs");
        install_counting_engine("Rnd_Count");
    }
    void TearDown() override {
        ::unsetenv("KALEIDRA_DIALOG_SCRIPT");
        SpeedRazorHostTest::TearDown();
    }
};

// One test: the dialog library keeps its Qt application for the life of
// the process.
TEST_F(SpeedRazorSetupTest, TheChoiceIsStoredAndRenderedAndTheAboutBoxShown) {
    load();
    SimSpeedRazor host(32, 24, host_folder());
    EXPECT_EQ(call(hostkit::speedrazor_new, &host.record()), 1);
    ::setenv("KALEIDRA_DIALOG_SCRIPT", "choose 1026 2; click 1001; ok", 1);
    EXPECT_EQ(call(hostkit::speedrazor_setup, &host.record()), 0);
    const std::vector<std::uint8_t> stored = host.stored();
    ASSERT_FALSE(stored.empty());
    EffectSettings settings;
    ASSERT_TRUE(settings_initialise(settings));
    ASSERT_TRUE(settings_from_block(settings, stored.data(), stored.size()));
    EXPECT_STREQ(settings.name, "Shatter") << "the third group's first effect";
    settings_destroy(settings);

    // Setup again over the stored settings, cancelled: they come back as
    // they were, in a new block.
    ::setenv("KALEIDRA_DIALOG_SCRIPT", "click 1002; cancel", 1);
    EXPECT_EQ(call(hostkit::speedrazor_setup, &host.record()), 0);
    EXPECT_EQ(host.stored(), stored);

    EXPECT_EQ(call(hostkit::speedrazor_render, &host.record()), 0);
    EXPECT_EQ(engine_events("render").at(0).name, "Shatter");

    ::setenv("KALEIDRA_DIALOG_SCRIPT", "ok", 1);
    EXPECT_EQ(call(hostkit::speedrazor_about, &host.record()), 0);
    EXPECT_EQ(messages(), "");
}

}  // namespace
}  // namespace kdr::speedrazor::test
