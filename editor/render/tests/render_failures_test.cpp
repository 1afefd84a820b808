#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "kaleidra/editor/item_opening.h"
#include "render_fixture.h"

namespace kdr::editor {
namespace {

using test::clip_colour;

class RenderFailures : public test::RenderTest {};

TEST_F(RenderFailures, StopDuringTheFirstFrameGivesAMovieWithoutFrames) {
    set_package_string("Engine", "Rnd_Wait");
    write_effect("Trans", 1, 2);
    add(clip_item(write_clip("one.avi", 1, 10), 1, 0, 10));
    add(effect_item("Trans", 0, 10));
    MovieRenderer renderer;
    ASSERT_TRUE(renderer.start(project, final_request()).ok());
    // The waiting engine holds frame 0 until the render is stopped.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (renderer.progress().effect.load() == nullptr &&
           std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(renderer.running());
    EXPECT_EQ(effect_progress_text(renderer.progress()),
              "Current Frame of Effect Trans (Frame 1 of 10)");
    renderer.stop();
    Result<RenderOutcome> outcome = renderer.finish();
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    EXPECT_TRUE(outcome->stopped);
    EXPECT_EQ(outcome->frames_written, 0u);
    ASSERT_TRUE(std::filesystem::exists(movie()));
    EXPECT_EQ(test::framemd5(movie()).find("\n0,"), std::string::npos) << "frames were written";
}

TEST_F(RenderFailures, AFullDiskEndsTheRenderWithARenderError) {
    add(clip_item(write_clip("one.avi", 1, 20, 160, 120), 1, 0, 20));
    project.output.final_width = 160;
    project.output.final_height = 120;
    // Files this process writes may not grow past 200 kB, as on a full disk.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    rlimit old_limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    rlimit small = old_limit;
    small.rlim_cur = 200 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Result<RenderOutcome> outcome = render(final_request());
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    ASSERT_FALSE(outcome.ok());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Render Error: Unable to write the output file.", 0), 0u)
        << messages[0];
    EXPECT_FALSE(std::filesystem::exists(movie()));
}

TEST_F(RenderFailures, ARateOfZeroIsRefusedBeforeAnythingDividesByIt) {
    add(clip_item(write_clip("one.avi", 1, 5), 1, 0, 5));
    project.output.rate = 0;
    MovieRenderer renderer;
    EXPECT_FALSE(renderer.start(project, final_request()).ok());
    EXPECT_FALSE(renderer.running());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Render Error: The frame rate is 0;", 0), 0u) << messages[0];
}

TEST_F(RenderFailures, AnEmptyProjectIsNothingToRender) {
    MovieRenderer renderer;
    EXPECT_FALSE(renderer.start(project, final_request()).ok());
    EXPECT_EQ(messages, (std::vector<std::string>{"Cannot make preview: Nothing in project."}));
}

TEST_F(RenderFailures, FieldsNeedAnEvenHeight) {
    add(clip_item(write_clip("one.avi", 1, 5), 1, 0, 5));
    project.output.final_height = 11;
    project.output.field_mode = field_mode_odd_first;
    MovieRenderer renderer;
    EXPECT_FALSE(renderer.start(project, final_request()).ok());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("even height"), std::string::npos);
}

TEST_F(RenderFailures, EffectsNeedAnEngineButPlainCopiesDoNot) {
    set_package_string("Engine", "Rnd_Missing");
    add(clip_item(write_clip("one.avi", 1, 5), 1, 0, 5));
    ASSERT_TRUE(render(final_request()).ok());
    EXPECT_TRUE(messages.empty());

    write_effect("Trans", 1, 2);
    add(effect_item("Trans", 1, 2));
    EXPECT_FALSE(render(final_request()).ok());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Render Error: Unable to load the render engine", 0), 0u)
        << messages[0];
    EXPECT_NE(messages[0].find("Rnd_Missing"), std::string::npos) << messages[0];
}

TEST_F(RenderFailures, MsVideo1FallsBackToFullFramesForSizesItCannotTake) {
    add(clip_item(write_clip("one.avi", 1, 3), 1, 0, 3));
    project.output.final_options = default_compress_options();  // MS Video 1
    project.output.final_width = 18;
    project.output.final_height = 13;
    ASSERT_TRUE(render(final_request()).ok());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "AVI Error.: MS Video 1 takes only widths and heights that are multiples of 4, not "
              "18 x 13. The movie is written with full frames (uncompressed) instead.");
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(pixel(frames[2], 9, 6), clip_colour(1, 2));

    messages.clear();
    project.output.final_width = 16;
    project.output.final_height = 12;
    ASSERT_TRUE(render(final_request()).ok());
    EXPECT_TRUE(messages.empty());
    Result<video::AviReader> reader = video::AviReader::open(movie());
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(reader->codec_name(), "msvideo1");
}

TEST_F(RenderFailures, MoviesThatCannotBeCreatedSayWhichStepFailed) {
    add(clip_item(write_clip("one.avi", 1, 3), 1, 0, 3));
    project.output.final_options.handler = video::make_fourcc("ZZZZ");
    EXPECT_FALSE(render(final_request()).ok());
    EXPECT_EQ(messages, (std::vector<std::string>{"AVI Error.: Error making compressed stream.",
                                                  "Render Error: Unable to create output file."}));

    messages.clear();
    project.output.final_options.handler = video::make_fourcc("DIB ");
    project.output.final_width = 5000;
    EXPECT_FALSE(render(final_request()).ok());
    EXPECT_EQ(messages, (std::vector<std::string>{"AVI Error.: Error creating stream.",
                                                  "Render Error: Unable to create output file."}));

    messages.clear();
    project.output.final_width = 16;
    RenderRequest request = final_request();
    request.output = media() / "no-such-folder" / "out.avi";
    EXPECT_FALSE(render(request).ok());
    EXPECT_EQ(messages, (std::vector<std::string>{"Render Error: Unable to create output file."}));
}

TEST_F(RenderFailures, AnUnreadableClipKeepsItsLastPictureAndSaysSoOnce) {
    const auto file = write_clip("one.avi", 1, 6);
    auto item = clip_item(file, 1, 0, 6);
    ASSERT_TRUE(open_item(*item).ok());
    add(std::move(item));
    // The clip is damaged after it was opened.
    std::filesystem::resize_file(file, 100);
    Result<RenderOutcome> outcome = render(final_request());
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("one.avi"), std::string::npos) << notices[0];
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(pixel(frames[5], 1, 1), clip_colour(1, 0));
}

}  // namespace
}  // namespace kdr::editor
