// Kdr30.aex with the real Rnd_Generic engine and the shipped effects as
// the build stages them, against kaleidra-render on the same pictures and
// settings: a completion between the ends equals kaleidra-render's frame
// at that position (drawn into the host's alpha, red, green, blue buffer),
// two threads drawing the halves give the one-thread picture, and the
// host's layers read back unchanged.

#include <gtest/gtest.h>

#include <fstream>

#include "aftereffects_test_support.h"
#include "kaleidra/hostkit/testing/host_pixels.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"

namespace kdr::aftereffects::test {
namespace {

using kdr::test::Picture;
using kdr::test::Tolerance;

constexpr std::int32_t width = 192;
constexpr std::int32_t height = 144;
constexpr std::int32_t duration = 10;
// Both sides are the same engine drawing the same scene: they differ by
// rounding at most.
constexpr Tolerance same_frame{2, 0.5};

class AfterEffectsEngineTest : public AfterEffectsHostTest {
  protected:
    void SetUp() override {
        AfterEffectsHostTest::SetUp();
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        std::filesystem::create_symlink(KALEIDRA_RND_GENERIC, libs() / "Rnd_Generic.so");
        set_string("Engine", "Rnd_Generic");
        a = hostkit::test::test_picture(width, height, 0);
        b = hostkit::test::test_picture(width, height, 1);
    }

    // The settings the effect keeps, also as a file for kaleidra-render.
    std::vector<std::uint8_t> stored(const char* effect) {
        EffectSettings settings;
        EXPECT_TRUE(settings_initialise(settings));
        std::strncpy(settings.name, effect, sizeof settings.name - 1);
        settings.globals[global_lighting] = 1;
        settings.globals[global_shadows] = 40;
        settings.globals[global_light_direction] = 45;
        std::vector<std::uint8_t> block = settings_to_block(settings);
        settings_destroy(settings);
        std::ofstream(root() / "stored.kdrr", std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
        return block;
    }

    Picture effect_frame(const std::vector<std::uint8_t>& settings, double percent) {
        const AeLayerPixels input = AeLayerPixels::from_picture(a, 255, width + 3);
        SimAfterEffects host(input, width, height, duration);
        host.set_source(2, AeLayerPixels::from_picture(b, 255));
        host.store(settings);
        host.set_completion(percent);
        EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
        EXPECT_EQ(host.input().bytes(), input.bytes()) << "the input layer is the host's";
        return host.output().to_picture();
    }

    // Frame `index` of kaleidra-render's rendering of duration + 1 frames.
    Picture render_frame(int index) {
        const std::filesystem::path out = root() / "render";
        if (!std::filesystem::exists(out / "k00.png")) {
            std::filesystem::create_directories(out);
            EXPECT_TRUE(kdr::test::write_png(root() / "a.png", a));
            EXPECT_TRUE(kdr::test::write_png(root() / "b.png", b));
            const kdr::test::ProgramRun run = kdr::test::run_program(
                std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings '" +
                (root() / "stored.kdrr").string() + "' --a '" + (root() / "a.png").string() +
                "' --b '" + (root() / "b.png").string() + "' --frames " +
                std::to_string(duration + 1) + " --out '" + (out / "k%02d.png").string() + "'");
            EXPECT_EQ(run.exit_code, 0) << run.output;
        }
        char name[16];
        std::snprintf(name, sizeof name, "k%02d.png", index);
        Picture picture;
        std::string error;
        EXPECT_TRUE(kdr::test::read_png(out / name, picture, error)) << error;
        return picture;
    }

    Picture a;
    Picture b;
};

TEST_F(AfterEffectsEngineTest, ACompletionBetweenTheEndsEqualsKaleidraRender) {
    const std::vector<std::uint8_t> settings = stored("PageTurn");
    load();
    for (int part : {3, 6}) {
        const Picture frame = effect_frame(settings, part * 10.0);
        EXPECT_TRUE(kdr::test::pictures_match(
            render_frame(part), frame, "aftereffects-part" + std::to_string(part), same_frame))
            << "part " << part;
        EXPECT_FALSE(kdr::test::pictures_match(a, frame, "aftereffects-not-a", {30, 5}))
            << "part " << part << " is no longer A";
    }
}

TEST_F(AfterEffectsEngineTest, TwoThreadsDrawingTheHalvesGiveTheOneThreadPicture) {
    const std::vector<std::uint8_t> settings = stored("CubeTurn");
    load();
    const Picture one = effect_frame(settings, 40);
    unload();
    set_number("Rnd_Multi", 1);
    load();
    const Picture two = effect_frame(settings, 40);
    EXPECT_TRUE(kdr::test::pictures_match(one, two, "aftereffects-multi", same_frame));
}

}  // namespace
}  // namespace kdr::aftereffects::test
