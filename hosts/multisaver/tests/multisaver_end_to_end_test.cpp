// A four-video effect in Premiere, end to end: two tracks with Fl-KdrM30
// leave their frames in the work folder, then Fx-Kdr30 renders VideoWall
// between the two transition tracks with Rnd_Generic, showing all four
// pictures; the frame equals kaleidra-render's with the same four sources.

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/hostkit/testing/host_pixels.h"
#include "kaleidra/hostkit/testing/plugin_module.h"
#include "kaleidra/hostkit/testing/simulated_premiere.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"

namespace kdr::multisaver {
namespace {

using hostkit::test::HostPixels;
using hostkit::test::PluginModule;
using hostkit::test::SimEffect;
using hostkit::test::SimPixelMap;
using hostkit::test::SimVideo;
using kdr::test::Picture;

constexpr std::int32_t width = 192;
constexpr std::int32_t height = 144;
constexpr std::int32_t total = 10;
constexpr std::int32_t part = 8;

class MultisaverEndToEnd : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        std::filesystem::create_symlink(KALEIDRA_RND_GENERIC, libs() / "Rnd_Generic.so");
        set_string("Engine", "Rnd_Generic");
        for (int kind = 0; kind < 4; ++kind) {
            pictures.push_back(hostkit::test::test_picture(width, height, kind));
        }
    }

    std::vector<Picture> pictures;
};

TEST_F(MultisaverEndToEnd, TwoFilteredTracksAndTheTransitionShowFourPictures) {
    PluginModule filter(KDR_FL_KDRM30);
    ASSERT_TRUE(filter.loaded()) << filter.error();
    PluginModule transition(KDR_FX_KDR30);
    ASSERT_TRUE(transition.loaded()) << transition.error();
    auto x_filter = filter.entry<hostkit::PremiereFilterEntry>("xFilter");
    auto x_effect = transition.entry<hostkit::PremiereEffectEntry>("xEffect");

    // The filters run first, track by track: videos 3 and 4.
    for (int track = 2; track < 4; ++track) {
        SimPixelMap source(HostPixels::from_picture(pictures[track], 0xFF, width + 4));
        SimPixelMap output(HostPixels(width, height, width, 0x77));
        SimVideo video;
        video.record().source = source.handle();
        video.record().destination = output.handle();
        video.record().part = part;
        EXPECT_EQ(x_filter(0, video.handle()), 0);
        EXPECT_EQ(output.pixels().bytes(),
                  std::vector<std::uint8_t>(output.pixels().bytes().size(), 0))
            << "a filtered track shows black";
    }
    EXPECT_TRUE(std::filesystem::exists(work() / "V030.IMG"));
    EXPECT_TRUE(std::filesystem::exists(work() / "V040.IMG"));

    // Then the transition between the first two tracks.
    EffectSettings settings;
    ASSERT_TRUE(settings_initialise(settings));
    std::strcpy(settings.name, "VideoWall");
    settings.globals[global_lighting] = 1;
    const std::vector<std::uint8_t> stored = settings_to_block(settings);
    settings_destroy(settings);
    SimPixelMap a(HostPixels::from_picture(pictures[0], 0x00));
    SimPixelMap b(HostPixels::from_picture(pictures[1], 0x00));
    SimPixelMap destination(HostPixels(width, height, width, 0x77));
    SimEffect effect;
    effect.record().source_a = a.handle();
    effect.record().source_b = b.handle();
    effect.record().destination = destination.handle();
    effect.record().part = part;
    effect.record().total = total;
    effect.store(stored);
    EXPECT_EQ(x_effect(hostkit::premiere_effect_render, effect.handle()), 0);
    const Picture frame = destination.pixels().to_picture();

    // kaleidra-render with the four pictures as its sources.
    std::ofstream(root() / "stored.kdrr", std::ios::binary)
        .write(reinterpret_cast<const char*>(stored.data()),
               static_cast<std::streamsize>(stored.size()));
    std::string sources;
    const char* options[4] = {" --a ", " --b ", " --extra ", " --extra "};
    for (int i = 0; i < 4; ++i) {
        const std::filesystem::path file = root() / ("source" + std::to_string(i) + ".png");
        ASSERT_TRUE(kdr::test::write_png(file, pictures[static_cast<std::size_t>(i)]));
        sources += options[i] + ("'" + file.string() + "'");
    }
    const kdr::test::ProgramRun run = kdr::test::run_program(
        std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings '" +
        (root() / "stored.kdrr").string() + "'" + sources + " --frames " +
        std::to_string(total + 1) + " --out '" + (root() / "k%02d.png").string() + "'");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    Picture expected;
    std::string error;
    char name[16];
    std::snprintf(name, sizeof name, "k%02d.png", part);
    ASSERT_TRUE(kdr::test::read_png(root() / name, expected, error)) << error;
    EXPECT_TRUE(kdr::test::pictures_match(expected, frame, "multisaver-videowall", {2, 0.5}));

    // Without the filters' pictures the wall misses its two screens.
    std::filesystem::remove(work() / "V030.IMG");
    std::filesystem::remove(work() / "V040.IMG");
    SimPixelMap without(HostPixels(width, height, width, 0x77));
    effect.record().destination = without.handle();
    EXPECT_EQ(x_effect(hostkit::premiere_effect_render, effect.handle()), 0);
    EXPECT_FALSE(kdr::test::pictures_match(frame, without.pixels().to_picture(),
                                           "multisaver-no-extras", {30, 3}))
        << "the filtered tracks' pictures are part of the frame";
}

}  // namespace
}  // namespace kdr::multisaver
