// kaleidra-gimp run by the real GIMP in batch mode (gimp -i -b), with a
// configuration folder of its own whose plug-in path adds the built
// plug-in's folder: the procedure is in GIMP's procedure database with its
// parameters, and filtering a picture with PageTurn at 50 % of 10 frames
// over a black background gives kaleidra-render's frame 5 (the picture as
// video 1, video 2 empty: black) within 2/255, also when the image has 16
// bits a channel (GIMP converts it for the plug-in as for 8-bit filters).
// Run from the menu (interactively) it shows the selection dialog through
// the installation's kaleidra-select, answered by a dialog script on the
// offscreen platform: what the dialog's Filter Options page sets is what
// is drawn, the next run with the last values draws the same, and a
// cancelled dialog leaves the layer as it was.

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
        // The plug-in runs the installation's kaleidra-select.
        std::filesystem::create_directories(root() / "bin");
        std::filesystem::create_symlink(KALEIDRA_SELECT_PROGRAM,
                                        root() / "bin" / "kaleidra-select");
        std::ofstream(config / "gimprc")
            << "(plug-in-path \"${gimp_plug_in_dir}/plug-ins:" << KDR_GIMP_PLUGIN_FOLDER << "\")\n";
    }

    // Runs GIMP on `script`; its output.
    // `dialog` answers the selection dialog of an interactive run.
    kdr::test::ProgramRun gimp(const std::string& script, const std::string& dialog = "cancel") {
        return kdr::test::run_program(
            "QT_QPA_PLATFORM=offscreen KALEIDRA_DIALOG_SCRIPT='" + dialog + "' GIMP2_DIRECTORY='" +
            (root() / "gimp-config").string() + "' gimp -i -d -f --console-messages -b '" + script +
            "' -b '(gimp-quit 0)' 2>&1");
    }

    // A script that loads `in`, calls the plug-in with `arguments` after the
    // image and layer, and saves the layer as `out`; errors of the call are
    // caught so that the picture is saved either way.
    static std::string filter_script(const std::filesystem::path& in,
                                     const std::filesystem::path& out,
                                     const std::string& arguments) {
        return "(let* ((image (car (file-png-load RUN-NONINTERACTIVE \"" + in.string() + "\" \"" +
               in.string() + "\"))) (layer (car (gimp-image-get-active-layer image))))" +
               " (gimp-context-set-background (list 0 0 0))" + " (catch #f (plug-in-kaleidra " +
               arguments + "))" + " (file-png-save RUN-NONINTERACTIVE image layer \"" +
               out.string() + "\" \"" + out.string() + "\" 0 9 0 0 0 0 0))";
    }

    static Picture read(const std::filesystem::path& file) {
        Picture picture;
        std::string error;
        EXPECT_TRUE(kdr::test::read_png(file, picture, error)) << error;
        return picture;
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

TEST_F(GimpBatchTest, FromTheMenuTheDialogChoosesWhatIsDrawnAndIsRemembered) {
    const Picture picture = hostkit::test::test_picture(width, height, 3);
    const std::filesystem::path in = root() / "in.png";
    ASSERT_TRUE(kdr::test::write_png(in, picture));

    // The same dialog script over kaleidra-select gives the settings file
    // that a called run (with the same filter values) draws from.
    const std::string dialog = "page 113; choose 1200 0; slide 1201 30; slide 1203 10; ok";
    const kdr::test::ProgramRun selected =
        kdr::test::run_program("QT_QPA_PLATFORM=offscreen KALEIDRA_DIALOG_SCRIPT='" + dialog +
                               "' '" + (root() / "bin" / "kaleidra-select").string() +
                               "' --filter '" + (root() / "chosen.kdrr").string() + "'");
    ASSERT_EQ(selected.exit_code, 0) << selected.output;
    const kdr::test::ProgramRun called =
        gimp(filter_script(in, root() / "called.png",
                           "RUN-NONINTERACTIVE image layer \"\" \"" +
                               (root() / "chosen.kdrr").string() + "\" 30 10 1"));
    const kdr::test::ProgramRun interactive =
        gimp(filter_script(in, root() / "menu.png", "RUN-INTERACTIVE image layer \"\" \"\" 0 0 0") +
                 " " +
                 filter_script(in, root() / "again.png",
                               "RUN-WITH-LAST-VALS image layer \"\" \"\" 0 0 0"),
             dialog);
    const Picture called_picture = read(root() / "called.png");
    const Picture menu_picture = read(root() / "menu.png");
    const Picture again_picture = read(root() / "again.png");
    ASSERT_FALSE(called_picture.rgb.empty()) << called.output;
    ASSERT_FALSE(menu_picture.rgb.empty()) << interactive.output;
    ASSERT_FALSE(again_picture.rgb.empty()) << interactive.output;
    EXPECT_FALSE(kdr::test::pictures_match(picture, menu_picture, "gimp-menu-not-input", {30, 5}))
        << interactive.output;
    EXPECT_TRUE(kdr::test::pictures_match(called_picture, menu_picture, "gimp-menu", {0, 0}))
        << interactive.output;
    EXPECT_TRUE(kdr::test::pictures_match(menu_picture, again_picture, "gimp-last-values", {0, 0}))
        << interactive.output;
}

TEST_F(GimpBatchTest, ACancelledDialogLeavesTheLayerAsItWas) {
    const Picture picture = hostkit::test::test_picture(width, height, 3);
    const std::filesystem::path in = root() / "in.png";
    ASSERT_TRUE(kdr::test::write_png(in, picture));
    const kdr::test::ProgramRun run = gimp(
        filter_script(in, root() / "cancelled.png", "RUN-INTERACTIVE image layer \"\" \"\" 0 0 0"),
        "page 113; slide 1201 50; cancel");
    const Picture cancelled = read(root() / "cancelled.png");
    ASSERT_FALSE(cancelled.rgb.empty()) << run.output;
    EXPECT_TRUE(kdr::test::pictures_match(picture, cancelled, "gimp-cancelled", {0, 0}))
        << run.output;
}

}  // namespace
}  // namespace kdr::gimp
