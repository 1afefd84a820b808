// U_Kdr30 and Kdr5_30 with the real Rnd_Generic engine and the shipped
// effects as the build stages them: the frames they draw into the hosts'
// 24-bit bitmaps equal kaleidra-render's at the same positions, also when
// Kdr5_30's frame is a part of larger bitmaps.

#include <gtest/gtest.h>

#include "kaleidra/hostkit/testing/host_pixels.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"
#include "vx_test_support.h"

namespace kdr::vxdll::test {
namespace {

using kdr::test::Picture;

constexpr std::int32_t width = 160;
constexpr std::int32_t height = 120;

class VxEngineTest : public VxHostTest {
  protected:
    void SetUp() override {
        VxHostTest::SetUp();
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
        const std::vector<std::uint8_t> block = settings_to_block(settings);
        settings_destroy(settings);
        // kaleidra-render reads the stored block, the transitions the
        // numbered file (the block without its size word).
        std::ofstream(root() / "stored.kdrr", std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
        std::ofstream(work() / "1205.HUL", std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data() + 4),
                   static_cast<std::streamsize>(block.size() - 4));
    }

    // kaleidra-render's frame `part` of a transition of `total` steps.
    Picture expected(int part, int total) {
        EXPECT_TRUE(kdr::test::write_png(root() / "a.png", a));
        EXPECT_TRUE(kdr::test::write_png(root() / "b.png", b));
        const kdr::test::ProgramRun run = kdr::test::run_program(
            std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings '" +
            (root() / "stored.kdrr").string() + "' --a '" + (root() / "a.png").string() +
            "' --b '" + (root() / "b.png").string() + "' --frames " + std::to_string(total + 1) +
            " --out '" + (root() / "k%02d.png").string() + "'");
        EXPECT_EQ(run.exit_code, 0) << run.output;
        Picture picture;
        std::string error;
        char name[16];
        std::snprintf(name, sizeof name, "k%02d.png", part);
        EXPECT_TRUE(kdr::test::read_png(root() / name, picture, error)) << error;
        return picture;
    }

    Picture a;
    Picture b;
};

TEST_F(VxEngineTest, TheOlderTransitionsFrameEqualsKaleidraRender) {
    load(KDR_U_KDR30);
    VxBitmap a_bitmap = VxBitmap::holding(a, width, height);
    VxBitmap b_bitmap = VxBitmap::holding(b, width, height);
    VxBitmap output(width, height);
    EXPECT_EQ(entry<hostkit::VxApplyEffectFn>("vxDLLApplyEffect")(
                  &output.header, output.data(), &a_bitmap.header, a_bitmap.data(), nullptr,
                  b_bitmap.data(), 6, 3, 0, 0, 0, 0, 12, 5),
              1);
    EXPECT_TRUE(kdr::test::pictures_match(expected(3, 6), output.picture(0, 0, width, height),
                                          "u_kdr30-part3", {2, 0.5}));
}

TEST_F(VxEngineTest, TheNewerTransitionsFrameWithinLargerBitmapsEqualsKaleidraRender) {
    load(KDR_KDR5_30);
    // The frame lies 40 pixels from the left and 20 rows up from the
    // bottom of 200 x 150 bitmaps: 10 rows from their top.
    constexpr std::int32_t big_width = 200;
    constexpr std::int32_t big_height = 150;
    VxBitmap a_bitmap = VxBitmap::holding(a, big_width, big_height, 40, 10, 0x40);
    VxBitmap b_bitmap = VxBitmap::holding(b, big_width, big_height, 40, 10, 0x80);
    VxBitmap output(big_width, big_height, 0xEE);
    const std::int32_t number = 1205;
    hostkit::Vx5RenderRecord record;
    std::memset(&record, 0, sizeof record);
    record.output_header = &output.header;
    record.output_pixels = output.data();
    record.a_header = &a_bitmap.header;
    record.a_pixels = a_bitmap.data();
    record.b_header = &b_bitmap.header;
    record.b_pixels = b_bitmap.data();
    record.x_offset = 40;
    record.y_offset = 20;
    record.width = width;
    record.height = height;
    record.number = &number;
    auto apply = entry<hostkit::Vx5ApplyEffectFn>("vxDLLApplyEffect");
    // 0: the start; 0.2: a total of 6 (part 1); 0.5: part 3 of 6.
    for (float completion : {0.0f, 0.2f, 0.5f}) {
        record.completion = completion;
        EXPECT_EQ(apply(hostkit::vx5_render, &record, 0), 1);
    }
    EXPECT_TRUE(kdr::test::pictures_match(expected(3, 6), output.picture(40, 10, width, height),
                                          "kdr5_30-part3", {2, 0.5}));
    // Around the frame the host's bitmap is untouched.
    EXPECT_EQ(output.pixel(39, 50)[0], 0xEE);
    EXPECT_EQ(output.pixel(100, 9)[1], 0xEE);
    EXPECT_EQ(output.pixel(100, 130)[2], 0xEE);
}

}  // namespace
}  // namespace kdr::vxdll::test
