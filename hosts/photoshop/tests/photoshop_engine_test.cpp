// Kdr30.8bf with the real Rnd_Generic engine and the shipped effects as
// the build stages them, against kaleidra-render: the image filtered at a
// percent of a frame count equals kaleidra-render's frame at that position
// with the image as video 1 (video 2 empty: a black picture for
// kaleidra-render) within 2/255.

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/hostkit/testing/host_pixels.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"
#include "photoshop_test_support.h"

namespace kdr::photoshop::test {
namespace {

using kdr::test::Picture;
using kdr::test::Tolerance;

constexpr std::int32_t width = 192;
constexpr std::int32_t height = 144;
constexpr Tolerance same_frame{2, 0.5};

class PhotoshopEngineTest : public PhotoshopHostTest {
  protected:
    void SetUp() override {
        PhotoshopHostTest::SetUp();
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        std::filesystem::create_symlink(KALEIDRA_RND_GENERIC, libs() / "Rnd_Generic.so");
        set_string("Engine", "Rnd_Generic");
        image = hostkit::test::test_picture(width, height, 2);
    }

    // kaleidra-render's frame `index` of `frames` + 1 with the filter's
    // settings.
    Picture render_frame(const FilterSettings& settings, int frames, int index) {
        const std::vector<std::uint8_t> block = settings_block(settings);
        std::ofstream(root() / "stored.kdrr", std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
        const std::filesystem::path out = root() / "render";
        std::filesystem::create_directories(out);
        EXPECT_TRUE(kdr::test::write_png(root() / "a.png", image));
        EXPECT_TRUE(kdr::test::write_png(root() / "black.png", Picture(width, height)));
        const kdr::test::ProgramRun run = kdr::test::run_program(
            std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings '" +
            (root() / "stored.kdrr").string() + "' --a '" + (root() / "a.png").string() +
            "' --b '" + (root() / "black.png").string() + "' --frames " +
            std::to_string(frames + 1) + " --out '" + (out / "k%02d.png").string() + "'");
        EXPECT_EQ(run.exit_code, 0) << run.output;
        char name[16];
        std::snprintf(name, sizeof name, "k%02d.png", index);
        Picture picture;
        std::string error;
        EXPECT_TRUE(kdr::test::read_png(out / name, picture, error)) << error;
        return picture;
    }

    Picture image;
};

TEST_F(PhotoshopEngineTest, TheFilteredImageEqualsKaleidraRendersFrame) {
    load();
    SimPhotoshop host({width, height, 1});
    host.set_picture(image);
    host.fill_masks(255);
    const FilterSettings settings{"PageTurn", 10, 50, 0};
    give_settings(host, settings);
    EXPECT_EQ(host.run(entry()), 0);
    const Picture filtered = host.picture();
    EXPECT_TRUE(kdr::test::pictures_match(render_frame(settings, 10, 5), filtered,
                                          "photoshop-pageturn", same_frame));
    EXPECT_FALSE(kdr::test::pictures_match(image, filtered, "photoshop-not-image", {30, 5}));
}

}  // namespace
}  // namespace kdr::photoshop::test
