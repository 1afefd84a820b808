// Kdr30.tra with the real Rnd_Generic engine and the shipped effects as the
// build stages them: a whole frame equals kaleidra-render's frame at the
// same position, the host's ProgressIndicate hears the engine's progress up
// to 100, and TestAbort stops the engine and makes the call answer 1.

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"
#include "speedrazor_test_support.h"

namespace kdr::speedrazor::test {
namespace {

using kdr::test::Picture;

constexpr std::int32_t width = 160;
constexpr std::int32_t height = 120;

class SpeedRazorEngineTest : public SpeedRazorHostTest {
  protected:
    void SetUp() override {
        SpeedRazorHostTest::SetUp();
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        std::filesystem::create_symlink(KALEIDRA_RND_GENERIC, libs() / "Rnd_Generic.so");
        set_string("Engine", "Rnd_Generic");
        a = hostkit::test::test_picture(width, height, 2);
        b = hostkit::test::test_picture(width, height, 3);
        EffectSettings settings;
        ASSERT_TRUE(settings_initialise(settings));
        std::strcpy(settings.name, "Shatter");
        settings.globals[global_lighting] = 1;
        settings.globals[global_blur_count] = 2;
        settings.globals[global_blur_percent] = 50;
        stored = settings_to_block(settings);
        settings_destroy(settings);
        std::ofstream(root() / "stored.kdrr", std::ios::binary)
            .write(reinterpret_cast<const char*>(stored.data()),
                   static_cast<std::streamsize>(stored.size()));
    }

    std::unique_ptr<SimSpeedRazor> host_at(std::int32_t part, std::int32_t total) {
        auto host = std::make_unique<SimSpeedRazor>(width, height, host_folder());
        // Speed Razor's frames are opaque; the transition hands their alpha
        // to the engine as it is.
        host->set_sources(HostPixels::from_picture(a, 0xFF), HostPixels::from_picture(b, 0xFF));
        host->record().part = part;
        host->record().total = total;
        host->store(stored);
        return host;
    }

    Picture a;
    Picture b;
    std::vector<std::uint8_t> stored;
};

TEST_F(SpeedRazorEngineTest, AWholeFrameEqualsKaleidraRender) {
    load();
    auto host = host_at(3, 6);
    ASSERT_EQ(call(hostkit::speedrazor_render, &host->record()), 0);

    ASSERT_TRUE(kdr::test::write_png(root() / "a.png", a));
    ASSERT_TRUE(kdr::test::write_png(root() / "b.png", b));
    const kdr::test::ProgramRun run = kdr::test::run_program(
        std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings '" +
        (root() / "stored.kdrr").string() + "' --a '" + (root() / "a.png").string() + "' --b '" +
        (root() / "b.png").string() + "' --frames 7 --out '" + (root() / "k%02d.png").string() +
        "'");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    Picture expected;
    std::string error;
    ASSERT_TRUE(kdr::test::read_png(root() / "k03.png", expected, error)) << error;
    EXPECT_TRUE(kdr::test::pictures_match(expected, host->destination().to_picture(),
                                          "speedrazor-part3", {2, 0.5}));
}

TEST_F(SpeedRazorEngineTest, TheHostHearsTheEnginesProgress) {
    load();
    auto host = host_at(2, 6);
    ASSERT_EQ(call(hostkit::speedrazor_render, &host->record()), 0);
    std::vector<int> values;
    for (const std::string& line : callbacks()) {
        int value = 0;
        int maximum = 0;
        if (std::sscanf(line.c_str(), "progress %d %d", &value, &maximum) == 2) {
            EXPECT_EQ(maximum, 100);
            values.push_back(value);
        }
    }
    ASSERT_GE(values.size(), 3u) << "the start, each pass, the end";
    EXPECT_EQ(values.front(), 0);
    EXPECT_EQ(values.back(), 100);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
}

TEST_F(SpeedRazorEngineTest, TestAbortStopsTheEngineAndTheCallAnswersOne) {
    load();
    auto host = host_at(2, 6);
    ::setenv(hostkit::test::abort_after_variable, "2", 1);
    EXPECT_EQ(call(hostkit::speedrazor_render, &host->record()), 1);
    const std::vector<std::string> lines = callbacks();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "test-abort 1"), lines.end());
    // The engine stopped polling once told to stop.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "test-abort 1"), 1);
}

}  // namespace
}  // namespace kdr::speedrazor::test
