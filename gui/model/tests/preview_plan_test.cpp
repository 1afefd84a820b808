// Which frames a preview render asks for, and the preview's size and length
// from the preferences.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "kaleidra/gui/preview_plan.h"

namespace kdr::gui {
namespace {

TEST(PreviewConfigTest, QualityChoosesSizeAndTextures) {
    struct Case {
        std::uint32_t quality;
        int size;
        const char* prefix;
    };
    for (const Case c : {Case{0, 32, "PREVS_"}, Case{1, 64, "PREVM_"}, Case{2, 128, "PREVL_"},
                         Case{3, 32, "PREVS_"}, Case{0xFFFFFFFF, 32, "PREVS_"}}) {
        const PreviewConfig config = preview_config(c.quality, 30, false);
        EXPECT_EQ(config.size, c.size) << "quality " << c.quality;
        EXPECT_STREQ(config.prefix, c.prefix) << "quality " << c.quality;
    }
}

TEST(PreviewConfigTest, FramesBelowSixAndFilterModeGiveOneStillFrame) {
    EXPECT_EQ(preview_config(1, 0, false).frame_count, 1);
    EXPECT_EQ(preview_config(1, 5, false).frame_count, 1);
    EXPECT_EQ(preview_config(1, 6, false).frame_count, 6);
    EXPECT_EQ(preview_config(1, 30, false).frame_count, 30);
    EXPECT_EQ(preview_config(1, 200, false).frame_count, 200);
    EXPECT_EQ(preview_config(1, 30, true).frame_count, 1);
    EXPECT_EQ(preview_config(1, 4000000000u, false).frame_count, max_preview_frames)
        << "a forged count is held at the Settings page's end";
}

TEST(PreviewPlanTest, AnimatedPreviewsRenderEveryFrameOfNMinusOne) {
    PreviewFrameInputs in;
    in.frame_count = 6;
    EXPECT_EQ(plan_preview_frames(in), (std::vector<PreviewFrame>{{0, 0, 5, 0},
                                                                  {1, 1, 5, 20},
                                                                  {2, 2, 5, 40},
                                                                  {3, 3, 5, 60},
                                                                  {4, 4, 5, 80},
                                                                  {5, 5, 5, 100}}));
    in.frame_count = 30;
    const std::vector<PreviewFrame> frames = plan_preview_frames(in);
    ASSERT_EQ(frames.size(), 30u);
    EXPECT_EQ(frames[29], (PreviewFrame{29, 29, 29, 100}));
    EXPECT_EQ(frames[10].progress, 34);  // 10 x 100 / 29, truncated
}

TEST(PreviewPlanTest, OneStillFrameShowsTheBestFrameMirroredWhenFlyingOn) {
    PreviewFrameInputs in;
    in.frame_count = 1;
    in.has_scene = true;
    in.best_frame = 30.9f;
    EXPECT_EQ(plan_preview_frames(in), (std::vector<PreviewFrame>{{0, 30, 100, -1}}));
    in.fly_direction = 1.0f;
    EXPECT_EQ(plan_preview_frames(in), (std::vector<PreviewFrame>{{0, 70, 100, -1}}));
    in.fly_direction = 0.5f;  // only exactly 1.0 flies on
    EXPECT_EQ(plan_preview_frames(in)[0].position, 30u);
    in.has_scene = false;
    EXPECT_EQ(plan_preview_frames(in)[0].position, 0u);
    in.fly_direction = 1.0f;
    EXPECT_EQ(plan_preview_frames(in)[0].position, 100u);
}

TEST(PreviewPlanTest, BestFramesOutsideTheEffectStayInside) {
    PreviewFrameInputs in;
    in.has_scene = true;
    for (float best : {-5.0f, 250.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity()}) {
        in.best_frame = best;
        const PreviewFrame frame = plan_preview_frames(in)[0];
        EXPECT_LE(frame.position, frame.total) << "best frame " << best;
    }
}

TEST(PreviewPlanTest, FilterModeRendersThePercentOfTheFilterFrames) {
    PreviewFrameInputs in;
    in.filter_mode = true;
    in.frame_count = 1;
    in.has_scene = true;
    in.best_frame = 60;
    in.filter_frames = 100;
    in.filter_percent = 25;
    EXPECT_EQ(plan_preview_frames(in), (std::vector<PreviewFrame>{{0, 25, 100, -1}}));
    in.filter_frames = 50.7f;
    in.filter_percent = 50;
    EXPECT_EQ(plan_preview_frames(in), (std::vector<PreviewFrame>{{0, 25, 50, -1}}));
    in.filter_frames = -10;
    in.filter_percent = 300;
    EXPECT_EQ(plan_preview_frames(in), (std::vector<PreviewFrame>{{0, 0, 0, -1}}));
    in.filter_frames = 100;
    in.filter_percent = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(plan_preview_frames(in)[0].position, 0u);
}

}  // namespace
}  // namespace kdr::gui
