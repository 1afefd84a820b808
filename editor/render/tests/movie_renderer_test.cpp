#include <gtest/gtest.h>

#include "kaleidra/video/movie_join.h"
#include "render_fixture.h"

namespace kdr::editor {
namespace {

using test::clip_colour;
using test::FlatColour;

class MovieRendering : public test::RenderTest {
  protected:
    // Clip 1 on track 1 and clip 2 on track 2, both frames 0 .. 39, with
    // transitions at 10 .. 14 and 30 .. 34.
    void two_clips_and_two_transitions(std::int32_t second_type = 1) {
        write_effect("Trans", 1, 2);
        write_effect("Other", second_type, 2);
        add(clip_item(write_clip("one.avi", 1, 40), 1, 0, 40));
        add(clip_item(write_clip("two.avi", 2, 40), 2, 0, 40));
        add(effect_item("Trans", 10, 5));
        add(effect_item(second_type == 1 ? "Trans" : "Other", 30, 5));
    }
};

TEST_F(MovieRendering, OneClipWritesACopyOfEachOfItsFrames) {
    add(clip_item(write_clip("one.avi", 1, 30), 1, 0, 30));
    project.output.final_width = 8;  // every copy is averaged down to half size
    project.output.final_height = 6;
    Result<RenderOutcome> outcome = render(final_request());
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    EXPECT_EQ(outcome->frames_written, 30u);
    EXPECT_FALSE(outcome->stopped);
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 30u);
    for (std::uint32_t f = 0; f < 30; ++f) {
        EXPECT_EQ(frames[f].width, 8u);
        EXPECT_EQ(pixel(frames[f], 3, 2), clip_colour(1, static_cast<int>(f))) << "frame " << f;
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(MovieRendering, TransitionsSwitchTheTrackShownAfterThem) {
    two_clips_and_two_transitions();
    Result<RenderOutcome> outcome = render(final_request());
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 40u);
    EXPECT_EQ(pixel(frames[9], 0, 0), clip_colour(1, 9));
    EXPECT_EQ(pixel(frames[15], 0, 0), clip_colour(2, 15));
    EXPECT_EQ(pixel(frames[29], 0, 0), clip_colour(2, 29));
    EXPECT_EQ(pixel(frames[35], 0, 0), clip_colour(1, 35));
    // Inside an effect the engine's pattern: blue = x + position.
    EXPECT_EQ(pixel(frames[12], 5, 0).blue, 5 + 2);

    const auto renders = engine_events("render");
    ASSERT_EQ(renders.size(), 10u);
    for (std::uint32_t p = 0; p < 5; ++p) {
        const int f = 10 + static_cast<int>(p);
        EXPECT_EQ(renders[p].position, p);
        EXPECT_EQ(renders[p].images, 2u);
        EXPECT_EQ(renders[p].a, clip_colour(1, f).blue) << "first transition, slot 0";
        EXPECT_EQ(renders[p].b, clip_colour(2, f).blue);
        EXPECT_EQ(renders[5 + p].a, clip_colour(2, f + 20).blue) << "second transition, slot 0";
        EXPECT_EQ(renders[5 + p].b, clip_colour(1, f + 20).blue);
    }
}

TEST_F(MovieRendering, OtherEffectTypesKeepTheTrackShown) {
    two_clips_and_two_transitions(2);
    write_effect("Trans", 2, 2);  // the first one is no transition either
    ASSERT_TRUE(render(final_request()).ok());
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 40u);
    EXPECT_EQ(pixel(frames[20], 0, 0), clip_colour(1, 20));
    EXPECT_EQ(pixel(frames[39], 0, 0), clip_colour(1, 39));
}

TEST_F(MovieRendering, FramesWhereNothingLiesAreBlack) {
    add(clip_item(write_clip("one.avi", 1, 5), 1, 0, 5));
    add(clip_item(write_clip("two.avi", 2, 5), 1, 10, 5));
    ASSERT_TRUE(render(final_request()).ok());
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 15u);
    EXPECT_EQ(pixel(frames[4], 1, 1), clip_colour(1, 4));
    for (int f = 5; f < 10; ++f) {
        EXPECT_EQ(pixel(frames[f], 1, 1), (FlatColour{0, 0, 0})) << "frame " << f;
    }
    EXPECT_EQ(pixel(frames[10], 1, 1), clip_colour(2, 0));
}

TEST_F(MovieRendering, BitmapsStayStillAndFeedEffects) {
    write_effect("Trans", 1, 2);
    add(clip_item(write_clip("one.avi", 1, 10), 1, 0, 10));
    add(bitmap_item(write_bitmap("still.bmp", {7, 8, 9}), 2, 5, 10));
    add(effect_item("Trans", 5, 5));
    ASSERT_TRUE(render(final_request()).ok());
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 15u);
    EXPECT_EQ(pixel(frames[12], 2, 2), (FlatColour{7, 8, 9}));
    const auto renders = engine_events("render");
    ASSERT_EQ(renders.size(), 5u);
    EXPECT_EQ(renders[4].b, 7);
}

// Ranges rendered on their own and joined decode to the frames of one whole
// render: the main track, the current effect and the engine's preparation
// are replayed before the range.
TEST_F(MovieRendering, RangesJoinedEqualTheWholeRender) {
    two_clips_and_two_transitions();
    ASSERT_TRUE(render(final_request()).ok());
    const std::string whole = test::framemd5(movie());
    ASSERT_EQ(whole.rfind("error:", 0), std::string::npos) << whole;

    std::vector<std::filesystem::path> parts;
    const FrameRange ranges[] = {{0, 12}, {13, 31}, {32, 39}};
    std::filesystem::remove(engine_log());
    for (const FrameRange& range : ranges) {
        RenderRequest request = final_request();
        request.output = media() / ("part" + std::to_string(parts.size()) + ".avi");
        request.frames = range;
        Result<RenderOutcome> outcome = render(request);
        ASSERT_TRUE(outcome.ok()) << outcome.error();
        EXPECT_EQ(outcome->frames_written,
                  static_cast<std::uint32_t>(range.last - range.first + 1));
        parts.push_back(request.output);
    }
    // A range that starts inside an effect prepares it at its first frame.
    const auto prepares = engine_events("prepare");
    ASSERT_EQ(prepares.size(), 4u);
    EXPECT_EQ(prepares[0].position, 0u);
    EXPECT_EQ(prepares[1].position, 3u);
    EXPECT_EQ(prepares[2].position, 0u);
    EXPECT_EQ(prepares[3].position, 2u);
    const auto joined = media() / "joined.avi";
    ASSERT_TRUE(video::join_movies(joined, parts).ok());
    EXPECT_EQ(test::framemd5(joined), whole);
}

TEST_F(MovieRendering, RangesOutsideTheProjectAreRefused) {
    add(clip_item(write_clip("one.avi", 1, 10), 1, 0, 10));
    for (FrameRange range : {FrameRange{5, 10}, FrameRange{-1, 3}, FrameRange{6, 5}}) {
        RenderRequest request = final_request();
        request.frames = range;
        Result<RenderOutcome> outcome = render(request);
        ASSERT_FALSE(outcome.ok());
        EXPECT_NE(outcome.error().find("outside the project's frames 0-9"), std::string::npos)
            << outcome.error();
    }
    EXPECT_FALSE(std::filesystem::exists(movie()));
}

TEST_F(MovieRendering, PreviewGoesToTheWorkFolderAtThePreviewSizeAndStaysOutOfTheLog) {
    set_package_number("Rnd_Logging", 2);
    write_effect("Trans", 1, 2);
    add(clip_item(write_clip("one.avi", 1, 6), 1, 0, 6));
    add(effect_item("Trans", 2, 2));
    project.output.preview_width = 8;
    project.output.preview_height = 4;
    RenderRequest request;
    request.kind = RenderKind::preview;
    Result<RenderOutcome> outcome = render(request);
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    EXPECT_EQ(outcome->movie, work() / "Preview.avi");
    const auto frames = frames_of(work() / "Preview.avi");
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames[0].width, 8u);
    EXPECT_EQ(frames[0].height, 4u);
    EXPECT_FALSE(std::filesystem::exists(work() / "RENDER.LOG"));

    ASSERT_TRUE(render(final_request()).ok());
    EXPECT_TRUE(std::filesystem::exists(work() / "RENDER.LOG"));
}

TEST_F(MovieRendering, ProgressTextsNameTheFrameAndTheEffect) {
    RenderProgress progress;
    progress.project_length = 40;
    progress.frame_counter = 11;
    EXPECT_EQ(total_progress_text(progress), "Total Project (Frame 12 of 40)");
    progress.frame_counter = 40;
    EXPECT_EQ(total_progress_text(progress), "Total Project (Frame 40 of 40)");
    EXPECT_EQ(effect_progress_text(progress), "");
    auto effect = effect_item("CubeTurn", 10, 5);
    progress.effect = effect.get();
    progress.frame_in_effect = 1;
    progress.effect_last_frame = 4;
    EXPECT_EQ(effect_progress_text(progress), "Current Frame of Effect CubeTurn (Frame 2 of 5)");
    progress.effect_last_frame = 0;
    EXPECT_EQ(effect_progress_text(progress), "");
}

}  // namespace
}  // namespace kdr::editor
