#include "edit_plan.h"

#include <gtest/gtest.h>

namespace kdr::render_tool {
namespace {

SourceTiming movie(std::uint32_t length, video::FrameRate rate = {30, 1}, std::uint32_t start = 0) {
    return SourceTiming{length, rate, start};
}

// Each frame as the test reads it: part letter, then A's and B's frames.
struct Seen {
    char part;
    std::uint32_t a;
    std::uint32_t b;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
    return out << seen.part << "(" << seen.a << "," << seen.b << ")";
}

std::vector<Seen> frames_of(const EditPlan& plan) {
    std::vector<Seen> seen;
    for (std::uint32_t i = 0; i < plan.frame_count(); ++i) {
        const PlannedFrame frame = plan.at(i);
        const char part = frame.part == FramePart::source_a     ? 'A'
                          : frame.part == FramePart::transition ? 'T'
                                                                : 'B';
        seen.push_back({part, frame.source_frames[0], frame.source_frames[1]});
    }
    return seen;
}

TEST(EditPlan, APlainRenderIsTheTransitionFromEachInPoint) {
    PlanRequest request;
    request.a = movie(10, {30, 1}, 4);
    request.b = movie(10, {30, 1}, 1);
    request.transition_frames = 4;
    Result<EditPlan> plan = EditPlan::make(request);
    ASSERT_TRUE(plan) << plan.error();
    EXPECT_EQ(frames_of(*plan),
              (std::vector<Seen>{{'T', 4, 1}, {'T', 5, 2}, {'T', 6, 3}, {'T', 7, 4}}));
    for (std::uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(plan->at(i).position, i);
        EXPECT_EQ(plan->at(i).total, 3u) << "frame i of N is position i of N - 1";
    }
}

TEST(EditPlan, SourcesThatRunOutHoldTheirLastFrame) {
    PlanRequest request;
    request.a = movie(3, {30, 1}, 1);
    request.b = SourceTiming{};  // a still picture
    request.transition_frames = 4;
    Result<EditPlan> plan = EditPlan::make(request);
    ASSERT_TRUE(plan) << plan.error();
    EXPECT_EQ(frames_of(*plan),
              (std::vector<Seen>{{'T', 1, 0}, {'T', 2, 0}, {'T', 2, 0}, {'T', 2, 0}}));
}

TEST(EditPlan, AJoinIsATheTransitionThenTheRestOfB) {
    PlanRequest request;
    request.a = movie(6);
    request.b = movie(5);
    request.transition_frames = 2;
    request.join = true;
    Result<EditPlan> plan = EditPlan::make(request);
    ASSERT_TRUE(plan) << plan.error();
    // 6 + 5 - 2 frames; the transition over A's last two and B's first two.
    EXPECT_EQ(plan->transition_start(), 4u);
    EXPECT_EQ(frames_of(*plan), (std::vector<Seen>{{'A', 0, 0},
                                                   {'A', 1, 0},
                                                   {'A', 2, 0},
                                                   {'A', 3, 0},
                                                   {'T', 4, 0},
                                                   {'T', 5, 1},
                                                   {'B', 5, 2},
                                                   {'B', 5, 3},
                                                   {'B', 5, 4}}));
    EXPECT_EQ(plan->at(4).position, 0u);
    EXPECT_EQ(plan->at(5).position, 1u);
    EXPECT_EQ(plan->at(5).total, 1u);
}

TEST(EditPlan, TwoFiveSecondClipsJoinIntoNineSeconds) {
    PlanRequest request;
    request.a = movie(150);
    request.b = movie(150);
    request.transition_frames = 30;
    request.join = true;
    Result<EditPlan> plan = EditPlan::make(request);
    ASSERT_TRUE(plan) << plan.error();
    EXPECT_EQ(plan->frame_count(), 270u);
    EXPECT_EQ(plan->transition_start(), 120u);
}

TEST(EditPlan, AtMovesTheTransitionAndInPointsShiftBothSources) {
    PlanRequest request;
    request.a = movie(100, {10, 1}, 20);
    request.b = movie(50, {10, 1}, 5);
    request.transition_frames = 10;
    request.join = true;
    request.at_seconds = 3.0;
    request.output_rate = {10, 1};
    Result<EditPlan> plan = EditPlan::make(request);
    ASSERT_TRUE(plan) << plan.error();
    EXPECT_EQ(plan->transition_start(), 30u);
    EXPECT_EQ(plan->frame_count(), 30u + 45u);
    EXPECT_EQ(frames_of(*plan)[0], (Seen{'A', 20, 5}));
    EXPECT_EQ(frames_of(*plan)[30], (Seen{'T', 50, 5}));
    EXPECT_EQ(frames_of(*plan)[39], (Seen{'T', 59, 14}));
    EXPECT_EQ(frames_of(*plan)[40], (Seen{'B', 60, 15}));
    EXPECT_EQ(frames_of(*plan).back(), (Seen{'B', 94, 49}));
}

TEST(EditPlan, SourcesAtOtherRatesAreShownAtTheOutputRate) {
    PlanRequest request;
    request.a = movie(50, {25, 1});   // two seconds
    request.b = movie(120, {60, 1});  // two seconds
    request.transition_frames = 6;
    request.join = true;
    request.output_rate = {30, 1};
    Result<EditPlan> plan = EditPlan::make(request);
    ASSERT_TRUE(plan) << plan.error();
    // Each lasts 60 frames at 30: 60 + 60 - 6.
    EXPECT_EQ(plan->frame_count(), 114u);
    EXPECT_EQ(plan->transition_start(), 54u);
    const std::vector<Seen> frames = frames_of(*plan);
    // 25 to 30: one frame in five is shown twice.
    EXPECT_EQ(frames[3].a, 2u);
    EXPECT_EQ(frames[4].a, 3u);
    // 60 to 30: every second frame.
    EXPECT_EQ(frames[55].b, 2u);
    EXPECT_EQ(frames[113].b, 118u);
}

TEST(EditPlan, ExtrasStartWithTheTransition) {
    PlanRequest request;
    request.a = movie(8);
    request.b = movie(8);
    request.extras = {movie(8), SourceTiming{}};
    request.transition_frames = 3;
    request.join = true;
    Result<EditPlan> plan = EditPlan::make(request);
    ASSERT_TRUE(plan) << plan.error();
    EXPECT_EQ(plan->at(5).source_frames, (std::vector<std::uint32_t>{5, 0, 0, 0}));
    EXPECT_EQ(plan->at(7).source_frames, (std::vector<std::uint32_t>{7, 2, 2, 0}));
}

struct Refusal {
    const char* name;
    PlanRequest request;
    const char* message;
};

class EditPlanRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(EditPlanRefuses, WithAMessage) {
    Result<EditPlan> plan = EditPlan::make(GetParam().request);
    ASSERT_FALSE(plan);
    EXPECT_NE(plan.error().find(GetParam().message), std::string::npos) << plan.error();
}

PlanRequest joined(SourceTiming a, SourceTiming b, std::uint32_t n,
                   std::optional<double> at = std::nullopt) {
    PlanRequest request;
    request.a = a;
    request.b = b;
    request.transition_frames = n;
    request.join = true;
    request.at_seconds = at;
    return request;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditPlanRefuses,
    ::testing::Values(Refusal{"InPointPastTheEnd", joined(movie(10, {30, 1}, 10), movie(10), 2),
                              "--a-start 10 is past the end of source A (10 frames)"},
                      Refusal{"InPointOfAStill", joined(movie(10), SourceTiming{0, {}, 3}, 2),
                              "--b-start needs a movie"},
                      Refusal{"JoinOfAStill", joined(SourceTiming{}, movie(10), 2),
                              "source A is a still"},
                      Refusal{"AShorterThanTheTransition", joined(movie(5), movie(40), 6),
                              "source A has 5 frames"},
                      Refusal{"BShorterThanTheTransition",
                              joined(movie(40), movie(10, {30, 1}, 5), 6), "source B has 5 frames"},
                      Refusal{"AtPastA", joined(movie(30), movie(30), 10, 0.9), "--at 0.9 starts"},
                      Refusal{"AtNegative", joined(movie(30), movie(30), 10, -1.0), "from 0 on"},
                      Refusal{"AtWithoutJoin",
                              [] {
                                  PlanRequest request = joined(movie(30), movie(30), 10, 0.1);
                                  request.join = false;
                                  return request;
                              }(),
                              "add --join"},
                      Refusal{"NoFrames", joined(movie(30), movie(30), 0), "at least one frame"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kdr::render_tool
