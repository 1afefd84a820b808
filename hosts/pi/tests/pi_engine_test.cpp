// Kdr30 with the real Rnd_Generic engine and the shipped effects as the
// build stages them: a frame equals kaleidra-render's at the same position,
// and a request with flag 1 renders settings whose fly direction is 0 as
// flying on, while their file keeps 0.

#include <gtest/gtest.h>

#include "kaleidra/hostkit/testing/host_pixels.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"
#include "pi_test_support.h"

namespace kdr::pi::test {
namespace {

using kdr::test::Picture;

constexpr std::int32_t width = 160;
constexpr std::int32_t height = 120;

class PiEngineTest : public PiHostTest {
  protected:
    void SetUp() override {
        PiHostTest::SetUp();
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
        ASSERT_TRUE(kdr::test::write_png(root() / "a.png", a));
        ASSERT_TRUE(kdr::test::write_png(root() / "b.png", b));
    }

    // kaleidra-render's frame `part` of `total` with the settings `effect`
    // flying as `fly` says.
    Picture expected(const char* effect, float fly, int part, int total) {
        EffectSettings settings;
        EXPECT_TRUE(settings_initialise(settings));
        std::strcpy(settings.name, effect);
        settings.globals[global_fly_direction] = fly;
        settings.globals[global_lighting] = 1;
        const std::vector<std::uint8_t> block = settings_to_block(settings);
        settings_destroy(settings);
        const std::filesystem::path stored = root() / "stored.kdrr";
        std::ofstream(stored, std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
        const kdr::test::ProgramRun run = kdr::test::run_program(
            std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings '" + stored.string() +
            "' --a '" + (root() / "a.png").string() + "' --b '" + (root() / "b.png").string() +
            "' --frames " + std::to_string(total + 1) + " --out '" +
            (root() / "k%02d.png").string() + "'");
        EXPECT_EQ(run.exit_code, 0) << run.output;
        Picture picture;
        std::string error;
        char name[16];
        std::snprintf(name, sizeof name, "k%02d.png", part);
        EXPECT_TRUE(kdr::test::read_png(root() / name, picture, error)) << error;
        return picture;
    }

    Picture render(std::int32_t number, std::int32_t flag, std::int32_t part, std::int32_t total) {
        TrackBuffer a_buffer = TrackBuffer::holding(a, 0x30);
        TrackBuffer b_buffer = TrackBuffer::holding(b, 0x30);
        TrackBuffer output(width, height);
        EXPECT_EQ(frame(width, height, total, part, number, flag, a_buffer, b_buffer, output), 0);
        return output.picture();
    }

    Picture a;
    Picture b;
};

TEST_F(PiEngineTest, FlagOneFliesOnForTheFrameOnly) {
    write_settings(8, "Shatter", 0.0f);
    load();
    const Picture flown = render(8, 1, 3, 6);
    const Picture plain = render(8, 0, 3, 6);
    EXPECT_EQ(stored_fly(8), 0.0f) << "the file keeps what the user chose";
    const Picture on = expected("Shatter", 1.0f, 3, 6);
    const Picture off = expected("Shatter", 0.0f, 3, 6);
    ASSERT_GT(kdr::test::compare_pictures(on, off).max_difference, 40)
        << "the two directions differ at this part";
    EXPECT_TRUE(kdr::test::pictures_match(on, flown, "pi-fly-on", {2, 0.5}));
    EXPECT_TRUE(kdr::test::pictures_match(off, plain, "pi-fly-off", {2, 0.5}));
}

}  // namespace
}  // namespace kdr::pi::test
