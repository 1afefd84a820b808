#include "kaleidra/video/frame_rate.h"

#include <gtest/gtest.h>

namespace kdr::video {
namespace {

struct Typed {
    const char* text;
    FrameRate rate;
};

class ParsesFrameRates : public ::testing::TestWithParam<Typed> {};

TEST_P(ParsesFrameRates, AsTheFractionTheyStandFor) {
    const std::optional<FrameRate> rate = parse_frame_rate(GetParam().text);
    ASSERT_TRUE(rate) << GetParam().text;
    EXPECT_EQ(rate->num, GetParam().rate.num) << GetParam().text;
    EXPECT_EQ(rate->den, GetParam().rate.den) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParsesFrameRates,
    ::testing::Values(Typed{"25", {25, 1}}, Typed{"30", {30, 1}}, Typed{"1", {1, 1}},
                      Typed{"29.97", {30000, 1001}}, Typed{"23.976", {24000, 1001}},
                      Typed{"59.94", {60000, 1001}}, Typed{"119.88", {120000, 1001}},
                      Typed{"12.5", {25, 2}}, Typed{"30000/1001", {30000, 1001}},
                      Typed{"60/2", {30, 1}}, Typed{"0.5", {1, 2}}, Typed{"1000", {1000, 1}}));

TEST(ParsesFrameRates, RefusesWhatIsNoRate) {
    for (const char* text : {"", "0", "-25", "abc", "25fps", "30/0", "0/1", "1001", "1e9", "nan",
                             "inf", "30000/", "/1001", "99999999999/1"}) {
        EXPECT_FALSE(parse_frame_rate(text)) << "\"" << text << "\" was taken";
    }
}

TEST(FrameRate, TextNamesWholeRatesPlainly) {
    EXPECT_EQ((FrameRate{25, 1}.text()), "25");
    EXPECT_EQ((FrameRate{30000, 1001}.text()), "30000/1001");
    EXPECT_NEAR((FrameRate{30000, 1001}.value()), 29.97003, 1e-5);
    EXPECT_FALSE((FrameRate{0, 1}.valid()));
}

TEST(SourceFrameAt, EqualRatesShowEveryFrameOnce) {
    for (std::uint64_t i : {0ull, 1ull, 2ull, 1000ull, 123456789ull}) {
        EXPECT_EQ(source_frame_at(i, {30000, 1001}, {30000, 1001}), i);
    }
}

TEST(SourceFrameAt, HalvingTheRateDropsEverySecondFrame) {
    // 60 frames a second shown at 30: frames 0, 2, 4, ...
    for (std::uint64_t i = 0; i < 10; ++i) {
        EXPECT_EQ(source_frame_at(i, {60, 1}, {30, 1}), 2 * i);
    }
}

TEST(SourceFrameAt, DoublingTheRateRepeatsEveryFrame) {
    const std::uint64_t expected[] = {0, 0, 1, 1, 2, 2, 3, 3};
    for (std::uint64_t i = 0; i < 8; ++i) {
        EXPECT_EQ(source_frame_at(i, {30, 1}, {60, 1}), expected[i]) << "output frame " << i;
    }
}

TEST(SourceFrameAt, TwentyFiveToThirtyRepeatsOneFrameInFive) {
    // Source frame i lands on round(i x 30 / 25): 0 1 2 4 5 | 6 7 8 10 11.
    const std::uint64_t expected[] = {0, 1, 2, 2, 3, 4, 5, 6, 7, 7, 8, 9};
    for (std::uint64_t i = 0; i < 12; ++i) {
        EXPECT_EQ(source_frame_at(i, {25, 1}, {30, 1}), expected[i]) << "output frame " << i;
    }
}

TEST(SourceFrameAt, BroadcastRatesAgainstWholeRatesDriftByAFrameInAThousand) {
    // 30 frames a second shown at 30000/1001: after 1001 source frames one
    // has been dropped.
    EXPECT_EQ(source_frame_at(999, {30, 1}, {30000, 1001}), 1000u);
    EXPECT_EQ(source_frame_at(100, {30, 1}, {30000, 1001}), 100u);
}

TEST(OutputFramesFor, CountsTheFramesASourceLastsAtTheOutputRate) {
    EXPECT_EQ(output_frames_for(150, {30, 1}, {30, 1}), 150u);
    EXPECT_EQ(output_frames_for(150, {25, 1}, {30, 1}), 180u);
    EXPECT_EQ(output_frames_for(150, {60, 1}, {30, 1}), 75u);
    EXPECT_EQ(output_frames_for(151, {60, 1}, {30, 1}), 76u);  // 75.5 rounds up
    EXPECT_EQ(output_frames_for(0, {60, 1}, {30, 1}), 0u);
    EXPECT_EQ(output_frames_for(5, {0, 1}, {30, 1}), 5u);  // an unknown rate counts frames
}

}  // namespace
}  // namespace kdr::video
