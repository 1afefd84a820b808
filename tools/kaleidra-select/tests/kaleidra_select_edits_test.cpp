// Edits made in the selection dialog reach the rendered picture: a
// settings file saved by kaleidra-select with an envelope or a moved path
// key, evaluated by kdr-dump and rendered by kaleidra-render through
// Rnd_Generic.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/item_files.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/picture_compare.h"
#include "select_runner.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

struct Stored {
    EffectSettings value;
    Stored() { EXPECT_TRUE(settings_initialise(value)); }
    ~Stored() { settings_destroy(value); }
};

class EditsReachRenderTest : public ::testing::Test {
  protected:
    EditsReachRenderTest() {
        install.set_string("Engine", "Rnd_Generic");
        install.set_number("Prev_Frames", 1);
        install.set_number("Prev_Quality", 0);
    }

    CommandResult select(const std::string& file, const std::string& script) const {
        return run_command("QT_QPA_PLATFORM=offscreen KALEIDRA_DIALOG_SCRIPT=" + quoted(script) +
                               " " + KALEIDRA_SELECT_PROGRAM + " " + file,
                           install.root());
    }

    // Renders `settings` between the sample clips, `frames` pictures of
    // 160 x 120, into NAME0.png, NAME1.png, ...
    void render(const std::string& settings, int frames, const std::string& name) const {
        const fs::path samples = fs::path(KALEIDRA_CONTENT_STAGE) / "Samples";
        const CommandResult run = run_command(
            std::string(KALEIDRA_RENDER_PROGRAM) + " --no-progress --settings " + settings +
                " --a " + quoted((samples / "clip_a.avi").string()) + " --b " +
                quoted((samples / "clip_b.avi").string()) + " --size 160x120 --frames " +
                std::to_string(frames) + " --out " + name + "%d.png",
            install.root());
        ASSERT_EQ(run.exit_code, 0) << run.errors;
    }

    kdr::test::Picture picture(const std::string& name) const {
        kdr::test::Picture read;
        std::string error;
        EXPECT_TRUE(kdr::test::read_png(install.root() / name, read, error)) << error;
        return read;
    }

    // Writes `record` as a settings file, as kaleidra-select saves one.
    void write(const EffectSettings& record, const std::string& name) const {
        auto stream = chunks::ChunkStream::open_file(
            chunks::ChunkMode::write_file, install.root() / name, chunks::make_id("KDRR"));
        settings_write(record, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
    }

    TestInstallation install{InstallationContents{
        .generic_engine = true, .recording_engine = false, .preview_engine = "Rnd_Generic"}};
};

int largest_difference(const kdr::test::Picture& a, const kdr::test::Picture& b) {
    return kdr::test::compare_pictures(a, b).max_difference;
}

TEST_F(EditsReachRenderTest, AShadowsEnvelopeMadeInTheDialogDrivesTheRender) {
    // Globe with lighting and shadows; in the shadows envelope the first
    // key goes to 0 and the last to 100.
    ASSERT_EQ(select("start.kri", "choose 1026 1; click 1002; ok").exit_code, 0);
    const CommandResult edit = select(
        "start.kri", "page 103; click 1132; type 1092 0; slide 1201 100; type 1092 100; close; ok");
    ASSERT_EQ(edit.exit_code, 0) << edit.errors;
    Stored stored;
    ASSERT_TRUE(host::read_settings_file(stored.value, install.root() / "start.kri").ok());
    const Scene& user = *settings_scene(stored.value);
    ASSERT_EQ(user.envelopes.size(), 1u);
    const scene::Envelope& envelope = *user.envelopes[0];
    EXPECT_EQ(envelope.parameter, global_shadows);
    ASSERT_EQ(envelope.keys.size(), 2u);
    EXPECT_EQ(envelope.keys[0].value, 0);
    EXPECT_EQ(envelope.keys[1].value, 100);

    // The same settings with fixed shadows and no envelope, for comparison.
    Stored fixed;
    ASSERT_TRUE(settings_copy(fixed.value, stored.value));
    settings_scene(fixed.value)->envelopes.clear();
    for (int shadows : {0, 50, 100}) {
        fixed.value.globals[global_shadows] = static_cast<float>(shadows);
        write(fixed.value, "shadows" + std::to_string(shadows) + ".kri");
    }
    render("start.kri", 3, "enveloped");
    for (int shadows : {0, 50, 100}) {
        render("shadows" + std::to_string(shadows) + ".kri", 3,
               "shadows" + std::to_string(shadows) + "_");
    }
    const kdr::test::Picture first = picture("enveloped0.png");
    const kdr::test::Picture middle = picture("enveloped1.png");
    const kdr::test::Picture last = picture("enveloped2.png");
    EXPECT_GT(largest_difference(first, last), 30) << "the first and last frames differ";
    // Half way the envelope gives half the shadow: the picture with fixed
    // shadows of 50, not those of 0 or 100.
    EXPECT_LE(largest_difference(middle, picture("shadows50_1.png")), 2);
    EXPECT_GT(largest_difference(middle, picture("shadows0_1.png")), 10);
    EXPECT_GT(largest_difference(middle, picture("shadows100_1.png")), 10);
    EXPECT_LE(largest_difference(first, picture("shadows0_0.png")), 2);
}

TEST_F(EditsReachRenderTest, AnEnvelopeSavedToAFileLoadsIntoAnotherValueKeepingItsIds) {
    ASSERT_EQ(select("start.kri", "choose 1026 1; click 1002; ok").exit_code, 0);
    fs::create_directories(install.root() / "Envelopes");
    const fs::path file = install.root() / "Envelopes" / "rise.env";
    // The shadows envelope rising from 0 to 100, saved through "&Save".
    CommandResult run = select("start.kri",
                               "page 103; click 1132; type 1092 0; slide 1201 100; type 1092 100; "
                               "click 9; file " +
                                   file.string() + "; close; ok");
    ASSERT_EQ(run.exit_code, 0) << run.errors;
    scene::Envelope saved;
    ASSERT_EQ(read_envelope_file(file, saved), ItemFileRead::read);
    EXPECT_EQ(saved.parameter, global_shadows);
    ASSERT_EQ(saved.keys.size(), 2u);
    EXPECT_EQ(saved.keys[1].value, 100);

    // Loaded through "&Load" into the blur-percent envelope of the same record.
    run =
        select("start.kri", "page 103; click 1134; click 8; file " + file.string() + "; close; ok");
    ASSERT_EQ(run.exit_code, 0) << run.errors;
    Stored stored;
    ASSERT_TRUE(host::read_settings_file(stored.value, install.root() / "start.kri").ok());
    const Scene& user = *settings_scene(stored.value);
    ASSERT_EQ(user.envelopes.size(), 2u);
    const scene::Envelope& shadows = *user.envelopes[0];
    const scene::Envelope& blur = *user.envelopes[1];
    EXPECT_EQ(shadows.parameter, global_shadows);
    EXPECT_EQ(blur.parameter, global_blur_percent);
    EXPECT_NE(blur.id, shadows.id) << "the blur envelope keeps its own id";
    EXPECT_EQ(blur.link_id, 0);
    ASSERT_EQ(blur.keys.size(), 2u);
    EXPECT_EQ(blur.keys[0].value, 0);
    EXPECT_EQ(blur.keys[1].value, 100);
    // A file that is not there is refused by the script, never left to a person.
    run = select("start.kri", "page 103; click 1134; click 8; file " +
                                  (install.root() / "Envelopes" / "none.env").string() + "; ok");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.errors.find("no file"), std::string::npos) << run.errors;
}

// The position of object `id` in kdr-dump's frame scene.
std::optional<float> object_x(const std::string& dump, int id) {
    std::istringstream lines(dump);
    const std::string wanted = "object   id " + std::to_string(id) + " ";
    for (std::string line; std::getline(lines, line);) {
        if (line.find(wanted) == std::string::npos) {
            continue;
        }
        std::string motion;
        std::getline(lines, motion);
        float x = 0;
        const std::size_t at = motion.find("position (");
        if (at != std::string::npos && std::sscanf(motion.c_str() + at, "position (%f", &x) == 1) {
            return x;
        }
    }
    return std::nullopt;
}

TEST_F(EditsReachRenderTest, APathKeyMovedInTheDialogShowsInTheFrameSceneAndThePicture) {
    ASSERT_EQ(select("start.kri", "choose 1026 1; click 1002; ok").exit_code, 0);
    fs::copy_file(install.root() / "start.kri", install.root() / "moved.kri");
    // The path editor of the outgoing picture: top view, 50 %, a move drag
    // of 40 pixels to the right.
    const CommandResult edit = select(
        "moved.kri", "page 104; click 1129; click 1138; slide 1201 50; drag 1128 40 0; close; ok");
    ASSERT_EQ(edit.exit_code, 0) << edit.errors;

    const std::string effect = (install.folder("EFFECTS") / "Globe.KDR").string();
    const CommandResult before = run_command(std::string(KALEIDRA_DUMP_PROGRAM) + " --eval " +
                                                 quoted(effect) + " --at 0.5 --settings start.kri",
                                             install.root());
    const CommandResult after = run_command(std::string(KALEIDRA_DUMP_PROGRAM) + " --eval " +
                                                quoted(effect) + " --at 0.5 --settings moved.kri",
                                            install.root());
    ASSERT_EQ(before.exit_code, 0) << before.errors;
    ASSERT_EQ(after.exit_code, 0) << after.errors;
    const std::optional<float> x_before = object_x(before.output, 20);
    const std::optional<float> x_after = object_x(after.output, 20);
    ASSERT_TRUE(x_before && x_after) << after.output;
    EXPECT_NEAR(*x_after - *x_before, 1.0f, 2e-3) << after.output;

    render("start.kri", 3, "start");
    render("moved.kri", 3, "moved");
    EXPECT_GT(largest_difference(picture("start1.png"), picture("moved1.png")), 30)
        << "the picture half way shows the moved object";
    EXPECT_LE(largest_difference(picture("start0.png"), picture("moved0.png")), 2)
        << "the keys at 0 stay where they were";
}

}  // namespace
}  // namespace kdr::gui::test
