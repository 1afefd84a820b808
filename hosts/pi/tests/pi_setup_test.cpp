// Kdr30's setup as a PI_ host opens it, through the real selection dialog
// of Kaleidra30 (offscreen, answered by its dialog script): the settings
// are saved, and the number handed back, only on OK.

#include <gtest/gtest.h>

#include "pi_test_support.h"

namespace kdr::pi::test {
namespace {

class PiSetupTest : public PiHostTest {
  protected:
    void SetUp() override {
        PiHostTest::SetUp();
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        install_counting_engine("Rnd_Count");
    }
    void TearDown() override {
        ::unsetenv("KALEIDRA_DIALOG_SCRIPT");
        PiHostTest::TearDown();
    }
    static void script(const char* text) { ::setenv("KALEIDRA_DIALOG_SCRIPT", text, 1); }
};

// One test: the dialog library keeps its Qt application and catalogue for
// the life of the process.
TEST_F(PiSetupTest, TheChoiceIsSavedUnderTheHostsNumberOnlyOnOk) {
    load();
    std::int32_t number = 0;
    script("choose 1026 2; click 1001; ok");
    EXPECT_EQ(show_dialog(&number, 0), 0);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(stored_name(1), "Shatter") << "the third group's first effect";

    // The frame renders the saved settings.
    TrackBuffer a(40, 30, 1);
    TrackBuffer b(40, 30, 2);
    TrackBuffer output(40, 30);
    frame(40, 30, 10, 3, number, 0, a, b, output);
    ASSERT_EQ(engine_events("render").size(), 1u);
    EXPECT_EQ(engine_events("render")[0].name, "Shatter");

    // Cancelled: nothing saved, the number as it was.
    script("choose 1026 3; click 1001; cancel");
    EXPECT_EQ(show_dialog(&number, 0), 0);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(stored_name(1), "Shatter");
    std::int32_t fresh = 0;
    script("cancel");
    EXPECT_EQ(show_dialog(&fresh, 0), 0);
    EXPECT_EQ(fresh, 0);
    EXPECT_FALSE(std::filesystem::exists(work() / "2.HMC"));

    // A settings file that cannot be written: a message, the number stays.
    std::filesystem::remove_all(work());
    script("ok");
    EXPECT_EQ(show_dialog(&fresh, 0), 0);
    EXPECT_EQ(fresh, 0);
    EXPECT_NE(messages().find("error\tFile Error\t"), std::string::npos) << messages();
}

}  // namespace
}  // namespace kdr::pi::test
