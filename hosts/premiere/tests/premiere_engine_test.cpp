// Fx-Kdr30 with the real Rnd_Generic engine and the shipped effects as the
// build stages them, against kaleidra-render on the same pictures and
// settings: part 0 shows source A, part = total source B, a part between
// them equals kaleidra-render's frame at that position, and two threads
// drawing the halves give the one-thread picture.

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/hostkit/testing/host_pixels.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"
#include "premiere_test_support.h"

namespace kdr::premiere::test {
namespace {

using kdr::test::Picture;
using kdr::test::Tolerance;

constexpr std::int32_t width = 192;
constexpr std::int32_t height = 144;
constexpr std::int32_t total = 8;
// Both sides are the same engine drawing the same scene: they differ by
// rounding at most.
constexpr Tolerance same_frame{2, 0.5};

class PremiereEngineTest : public PremiereHostTest {
  protected:
    void SetUp() override {
        PremiereHostTest::SetUp();
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

    // The settings the transition keeps, also as a file for kaleidra-render.
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

    Picture premiere_frame(const std::vector<std::uint8_t>& settings, std::int32_t part) {
        SimPixelMap source_a(HostPixels::from_picture(a, 0x00, width + 5));
        SimPixelMap source_b(HostPixels::from_picture(b, 0x40));
        SimPixelMap destination(HostPixels(width, height, width + 2, 0x77));
        SimEffect effect;
        effect.record().source_a = source_a.handle();
        effect.record().source_b = source_b.handle();
        effect.record().destination = destination.handle();
        effect.record().part = part;
        effect.record().total = total;
        effect.store(settings);
        EXPECT_EQ(call(hostkit::premiere_effect_render, effect), 0);
        return destination.pixels().to_picture();
    }

    // Frame `index` of kaleidra-render's rendering of total + 1 frames.
    Picture render_frame(int index) {
        const std::filesystem::path out = root() / "render";
        if (!std::filesystem::exists(out / "k00.png")) {
            std::filesystem::create_directories(out);
            std::string error;
            EXPECT_TRUE(kdr::test::write_png(root() / "a.png", a));
            EXPECT_TRUE(kdr::test::write_png(root() / "b.png", b));
            const kdr::test::ProgramRun run = kdr::test::run_program(
                std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings '" +
                (root() / "stored.kdrr").string() + "' --a '" + (root() / "a.png").string() +
                "' --b '" + (root() / "b.png").string() + "' --frames " +
                std::to_string(total + 1) + " --out '" + (out / "k%02d.png").string() + "'");
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

TEST_F(PremiereEngineTest, TheEndsShowTheSourcesAndTheMiddleEqualsKaleidraRender) {
    const std::vector<std::uint8_t> settings = stored("PageTurn");
    load();
    EXPECT_TRUE(kdr::test::pictures_match(a, premiere_frame(settings, 0), "premiere-part0",
                                          same_frame))
        << "part 0 shows source A";
    EXPECT_TRUE(kdr::test::pictures_match(b, premiere_frame(settings, total), "premiere-end",
                                          same_frame))
        << "part = total shows source B";
    for (std::int32_t part : {3, 5}) {
        const Picture frame = premiere_frame(settings, part);
        EXPECT_TRUE(kdr::test::pictures_match(render_frame(part), frame,
                                              "premiere-part" + std::to_string(part), same_frame))
            << "part " << part;
        EXPECT_FALSE(kdr::test::pictures_match(a, frame, "premiere-not-a", {30, 5}))
            << "part " << part << " is no longer A";
    }
}

TEST_F(PremiereEngineTest, TwoThreadsDrawingTheHalvesGiveTheOneThreadPicture) {
    const std::vector<std::uint8_t> settings = stored("CubeTurn");
    load();
    const Picture one = premiere_frame(settings, 3);
    unload();
    set_number("Rnd_Multi", 1);
    load();
    const Picture two = premiere_frame(settings, 3);
    EXPECT_TRUE(kdr::test::pictures_match(one, two, "premiere-multi", same_frame));
}

}  // namespace
}  // namespace kdr::premiere::test
