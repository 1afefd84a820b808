#include "kaleidra/editor/frame_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace kdr::editor {
namespace {

class PlanBuilder {
  public:
    // Items are added at the head, as the editor adds them.
    TimelineItem& clip(std::int32_t track, std::int32_t start, std::int32_t length) {
        auto item = std::make_unique<TimelineItem>();
        item->kind = ItemKind::video;
        item->track = track;
        item->start = start;
        item->length = length;
        return project.add_item(std::move(item));
    }
    TimelineItem& effect(std::int32_t start, std::int32_t length, std::int32_t type) {
        auto item = std::make_unique<TimelineItem>();
        item->kind = ItemKind::effect;
        item->start = start;
        item->length = length;
        item->effect_type = type;
        return project.add_item(std::move(item));
    }
    std::vector<FramePlan> plan_all() {
        project.recompute();
        FramePlanner planner(project.items());
        std::vector<FramePlan> plans;
        for (std::int32_t f = 0; f < project.project_length; ++f) {
            plans.push_back(planner.plan(f));
        }
        return plans;
    }

    Project project;
};

TEST(FramePlan, OneClipIsCopiedAtEveryFrame) {
    PlanBuilder b;
    const TimelineItem& clip = b.clip(1, 0, 30);
    const auto plans = b.plan_all();
    ASSERT_EQ(plans.size(), 30u);
    for (const FramePlan& plan : plans) {
        EXPECT_EQ(plan.effect, nullptr);
        EXPECT_EQ(plan.copy_source, &clip);
    }
}

TEST(FramePlan, TransitionsTradeTheMainTrackBackAndForth) {
    PlanBuilder b;
    const TimelineItem& one = b.clip(1, 0, 40);
    const TimelineItem& two = b.clip(2, 5, 40);
    const TimelineItem& first = b.effect(10, 5, 1);
    const TimelineItem& second = b.effect(30, 5, 1);
    const auto plans = b.plan_all();
    EXPECT_EQ(plans[9].copy_source, &one);  // before: track 1
    EXPECT_EQ(plans[10].effect, &first);
    EXPECT_TRUE(plans[10].effect_begins);
    EXPECT_EQ(plans[12].sources[0], &one);
    EXPECT_EQ(plans[12].sources[1], &two);
    EXPECT_EQ(plans[12].frame_in_effect, 2);
    EXPECT_EQ(plans[12].last_frame, 4);
    EXPECT_TRUE(plans[14].effect_ends);
    EXPECT_EQ(plans[15].copy_source, &two);  // after: track 2
    EXPECT_EQ(plans[29].copy_source, &two);
    EXPECT_EQ(plans[31].effect, &second);
    EXPECT_EQ(plans[31].sources[0], &two);  // traded
    EXPECT_EQ(plans[31].sources[1], &one);
    EXPECT_EQ(plans[35].copy_source, &one);  // track 1 again
}

TEST(FramePlan, OtherEffectTypesLeaveTheMainTrack) {
    PlanBuilder b;
    const TimelineItem& one = b.clip(1, 0, 20);
    b.clip(2, 0, 20);
    b.effect(5, 5, 2);
    const auto plans = b.plan_all();
    EXPECT_EQ(plans[10].copy_source, &one);
}

TEST(FramePlan, FramesWithoutItemsAreBlackAndTheLowestTrackStandsIn) {
    PlanBuilder b;
    b.clip(1, 0, 5);
    const TimelineItem& three = b.clip(3, 10, 5);
    const TimelineItem& two = b.clip(2, 12, 5);
    const auto plans = b.plan_all();
    EXPECT_EQ(plans[7].copy_source, nullptr);
    EXPECT_EQ(plans[11].copy_source, &three);
    EXPECT_EQ(plans[13].copy_source, &two);  // no item on track 1: the lowest track
}

TEST(FramePlan, SlotCountNeverShrinksAndHighTracksHaveNoSlot) {
    PlanBuilder b;
    b.clip(1, 0, 30);
    b.clip(3, 0, 10);
    b.clip(21, 0, 30);
    b.effect(2, 3, 0);
    b.effect(20, 3, 0);
    const auto plans = b.plan_all();
    EXPECT_EQ(plans[2].image_count, 3u);
    EXPECT_EQ(plans[21].image_count, 3u);  // only track 1 holds frame 21
    EXPECT_EQ(plans[21].sources[2], nullptr);
    for (const auto* source : plans[2].sources) {
        if (source != nullptr) {
            EXPECT_NE(source->track, 21);
        }
    }
}

TEST(FramePlan, TradedTrackTwoAloneGoesToSlotZero) {
    PlanBuilder b;
    b.clip(1, 0, 10);
    b.clip(2, 0, 30);
    b.effect(3, 3, 1);  // main track becomes 2
    b.effect(20, 3, 1);
    const auto plans = b.plan_all();
    // Track 2 trades into slot 0; slot 1 stays empty but counted before.
    EXPECT_EQ(plans[20].sources[0]->track, 2);
    EXPECT_EQ(plans[20].sources[1], nullptr);
    EXPECT_EQ(plans[20].image_count, 2u);
}

// Skipping to any frame leaves the planner exactly where planning every
// frame before it would.
TEST(FramePlan, SkippingReplaysTheStateOfEveryEarlierFrame) {
    PlanBuilder b;
    b.clip(1, 0, 60);
    b.clip(2, 8, 50);
    b.clip(4, 30, 10);
    b.effect(10, 6, 1);
    b.effect(16, 4, 2);  // starts as the last one ends
    b.effect(31, 5, 0);
    b.effect(40, 9, 1);
    const auto whole = b.plan_all();
    for (std::int32_t from = 0; from < b.project.project_length; ++from) {
        FramePlanner planner(b.project.items());
        planner.skip_to(from);
        for (std::int32_t f = from; f < b.project.project_length; ++f) {
            const FramePlan plan = planner.plan(f);
            ASSERT_EQ(plan.effect, whole[f].effect) << "from " << from << " at " << f;
            ASSERT_EQ(plan.sources, whole[f].sources) << "from " << from << " at " << f;
            ASSERT_EQ(plan.image_count, whole[f].image_count) << "from " << from << " at " << f;
            ASSERT_EQ(plan.copy_source, whole[f].copy_source) << "from " << from << " at " << f;
            ASSERT_EQ(plan.frame_in_effect, whole[f].frame_in_effect);
        }
    }
}

}  // namespace
}  // namespace kdr::editor
