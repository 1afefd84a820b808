// kaleidra-gimp run by the real GIMP in batch mode (gimp -i -b), with a
// configuration folder of its own whose plug-in path adds the built
// plug-in's folder: the procedure is in GIMP's procedure database with its
// parameters, and filtering a picture with PageTurn at 50 % of 10 frames
// over a black background gives kaleidra-render's frame 5 (the picture as
// video 1, video 2 empty: black) within 2/255, also when the image has 16
// bits a channel (GIMP converts it for the plug-in as for 8-bit filters).

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "kaleidra/hostkit/testing/host_pixels.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"

namespace kdr::gimp {
namespace {

using kdr::test::Picture;

constexpr std::uint32_t width = 160;
constexpr std::uint32_t height = 120;

class GimpBatchTest : public kdr::test::InstallationTest {
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

        const std::filesystem::path config = root() / "gimp-config";
        std::filesystem::create_directories(config);
        // GIMP's own plug-ins (the PNG files) and ours.
        std::ofstream(config / "gimprc")
            << "(plug-in-path \"${gimp_plug_in_dir}/plug-ins:" << KDR_GIMP_PLUGIN_FOLDER << "\")\n";
    }

    // Runs GIMP on `script`; its output.
    kdr::test::ProgramRun gimp(const std::string& script) {
        return kdr::test::run_program("GIMP2_DIRECTORY='" + (root() / "gimp-config").string() +
                                      "' gimp -i -d -f --console-messages -b '" + script +
                                      "' -b '(gimp-quit 0)' 2>&1");
    }

    void filter_and_compare(bool precision16, const std::string& name);

    void write_settings(const std::filesystem::path& file) {
        EffectSettings settings;
        ASSERT_TRUE(settings_initialise(settings));
        std::strncpy(settings.name, "PageTurn", sizeof settings.name - 1);
        settings.globals[global_lighting] = 1;
        settings.globals[global_shadows] = 40;
        settings.globals[global_light_direction] = 45;
        const std::vector<std::uint8_t> block = settings_to_block(settings);
        settings_destroy(settings);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
    }
};

TEST_F(GimpBatchTest, TheProcedureIsRegisteredWithItsParameters) {
    const kdr::test::ProgramRun run = gimp(
        "(let* ((info (gimp-procedural-db-proc-info \"plug-in-kaleidra\")))"
        " (gimp-message (string-append \"kaleidra-arguments \""
        " (number->string (list-ref info 6)) \" \""
        " (cadr (gimp-procedural-db-proc-arg \"plug-in-kaleidra\" 3)) \" \""
        " (cadr (gimp-procedural-db-proc-arg \"plug-in-kaleidra\" 5)) \" \""
        " (cadr (gimp-procedural-db-proc-arg \"plug-in-kaleidra\" 7)))))");
    EXPECT_NE(run.output.find("kaleidra-arguments 8 effect percent video"), std::string::npos)
        << run.output;
}

// Filters in.png (16 bits a channel first when `precision16`) and
// compares the result with kaleidra-render's frame.
void GimpBatchTest::filter_and_compare(bool precision16, const std::string& name) {
    const Picture picture = hostkit::test::test_picture(width, height, 3);
    ASSERT_TRUE(kdr::test::write_png(root() / "in.png", picture));
    ASSERT_TRUE(kdr::test::write_png(root() / "black.png", Picture(width, height)));
    write_settings(root() / "stored.kdrr");
    const std::string in = (root() / "in.png").string();
    const std::string out = (root() / "out.png").string();
    std::filesystem::remove(out);
    const std::string to16 =
        precision16 ? " (gimp-image-convert-precision image PRECISION-U16-GAMMA)" : "";
    const std::string to8 =
        precision16 ? " (gimp-image-convert-precision image PRECISION-U8-GAMMA)" : "";
    const kdr::test::ProgramRun run =
        gimp("(let* ((image (car (file-png-load RUN-NONINTERACTIVE \"" + in + "\" \"" + in +
             "\"))) (layer (car (gimp-image-get-active-layer image))))" + to16 +
             " (gimp-context-set-background (list 0 0 0))"
             " (plug-in-kaleidra RUN-NONINTERACTIVE image layer \"\" \"" +
             (root() / "stored.kdrr").string() + "\" 50 10 1)" + to8 +
             " (file-png-save RUN-NONINTERACTIVE image layer \"" + out + "\" \"" + out +
             "\" 0 9 0 0 0 0 0))");
    ASSERT_TRUE(std::filesystem::exists(out)) << run.output;

    if (!std::filesystem::exists(root() / "k05.png")) {
        const kdr::test::ProgramRun render = kdr::test::run_program(
            std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings '" +
            (root() / "stored.kdrr").string() + "' --a '" + in + "' --b '" +
            (root() / "black.png").string() + "' --frames 11 --out '" +
            (root() / "k%02d.png").string() + "'");
        ASSERT_EQ(render.exit_code, 0) << render.output;
    }
    Picture expected;
    Picture filtered;
    std::string error;
    ASSERT_TRUE(kdr::test::read_png(root() / "k05.png", expected, error)) << error;
    ASSERT_TRUE(kdr::test::read_png(out, filtered, error)) << error;
    EXPECT_TRUE(kdr::test::pictures_match(expected, filtered, name, {2, 0.5}));
    EXPECT_FALSE(kdr::test::pictures_match(picture, filtered, name + "-not-input", {30, 5}));
}

TEST_F(GimpBatchTest, PageTurnAtHalfEqualsKaleidraRender) {
    filter_and_compare(false, "gimp-pageturn");
}

TEST_F(GimpBatchTest, AnImageOfSixteenBitsIsFilteredAsEightBitOnes) {
    filter_and_compare(true, "gimp-pageturn-16");
}

}  // namespace
}  // namespace kdr::gimp
