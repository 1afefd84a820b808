#include "kaleidra/records/frame_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "kaleidra/records/image_record.h"

namespace kdr {
namespace {

EffectSettings settings_with(float fly, float period) {
    EffectSettings settings{};
    settings.globals[global_fly_direction] = fly;
    settings.globals[global_transition_period] = period;
    return settings;
}

float completion(std::uint32_t position, std::uint32_t total, float fly, float period) {
    FrameRecord frame;
    frame_construct(frame);
    frame.position = position;
    frame.total = total;
    return frame_completion(frame, settings_with(fly, period));
}

struct CompletionCase {
    std::uint32_t position, total;
    float fly, period, expected;
};

class FrameCompletion : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(FrameCompletion, FollowsFlyDirectionAndPeriod) {
    const CompletionCase c = GetParam();
    EXPECT_FLOAT_EQ(completion(c.position, c.total, c.fly, c.period), c.expected)
        << c.position << " of " << c.total << ", fly " << c.fly << ", period " << c.period;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FrameCompletion,
    ::testing::Values(CompletionCase{0, 10, 0, 0, 0.0f}, CompletionCase{10, 10, 0, 0, 1.0f},
                      CompletionCase{5, 10, 0, 0, 0.5f}, CompletionCase{0, 10, 1, 0, 1.0f},
                      CompletionCase{10, 10, 1, 0, 0.0f}, CompletionCase{10, 10, -2, 0, 0.0f},
                      // Flying off with a period: the effect plays over the last half.
                      CompletionCase{10, 40, 0, 50, 0.0f}, CompletionCase{30, 40, 0, 50, 0.5f},
                      CompletionCase{40, 40, 0, 50, 1.0f},
                      // Flying on with a period: over the first half.
                      CompletionCase{0, 40, 1, 50, 1.0f}, CompletionCase{10, 40, 1, 50, 0.5f},
                      CompletionCase{30, 40, 1, 50, 0.0f},
                      // A position past the total clamps.
                      CompletionCase{12, 10, 0, 0, 1.0f}));

TEST(FrameCompletion, NanBecomesZero) {
    EXPECT_EQ(completion(0, 0, 0, 0), 0.0f);  // 0 / 0
    EXPECT_EQ(completion_at(NAN, 10, false, 0), 0.0f);
    EXPECT_EQ(completion_at(NAN, 10, true, 0), 0.0f);
}

TEST(FrameRecord, SubFramePositionsAreFractional) {
    EXPECT_FLOAT_EQ(completion_at(9.875, 20, false, 0), 9.875f / 20);
    EXPECT_FLOAT_EQ(completion_at(9.875, 20, true, 0), 1 - 9.875f / 20);
}

TEST(FrameRecord, CopyPointsAtTheSourcePixelsWithoutOwningThem) {
    FrameRecord source;
    frame_construct(source);
    source.width = 320;
    source.height = 240;
    source.image_count = 2;
    source.images[1].bytes_per_pixel = 4;
    source.images[1].alignment = 4;
    source.images[1].width = source.images[1].row_length = 2;
    source.images[1].height = source.images[1].stored_rows = 2;
    ASSERT_TRUE(image_allocate(source.images[1]));
    source.position = 3;
    source.total = 9;
    source.background[2] = 0.5f;
    source.flags = flag_upper_half | flag_field;
    source.highlighted_id = 7;

    FrameRecord target;
    frame_construct(target);
    frame_copy(target, source);
    EXPECT_EQ(target.width, 320u);
    EXPECT_EQ(target.image_count, 2u);
    EXPECT_EQ(target.images[1].buffer, source.images[1].buffer);
    EXPECT_EQ(target.images[1].owns, 0);
    EXPECT_EQ(target.position, 3u);
    EXPECT_EQ(target.total, 9u);
    EXPECT_EQ(target.background[2], 0.5f);
    EXPECT_EQ(target.flags, flag_upper_half | flag_field);
    EXPECT_EQ(target.highlighted_id, 7u);

    // Releasing the copy leaves the source's pixels alone.
    frame_release_images(target);
    EXPECT_NE(target.images[1].buffer, nullptr);
    frame_release_images(source);
    EXPECT_EQ(source.images[1].buffer, nullptr);
}

TEST(FrameRecord, AspectIsWidthOverHeight) {
    FrameRecord frame;
    frame_construct(frame);
    frame.width = 720;
    frame.height = 480;
    frame_set_aspect(frame);
    EXPECT_FLOAT_EQ(frame.aspect, 1.5f);
    frame.height = 0;
    frame_set_aspect(frame);
    EXPECT_EQ(frame.aspect, 0.0f);
}

TEST(QuietRule, OnlyFramesNarrowAndLowAreQuietBySize) {
    EXPECT_TRUE(is_quiet_size(118, 88));
    EXPECT_TRUE(is_quiet_size(159, 119));
    EXPECT_FALSE(is_quiet_size(160, 119));
    EXPECT_FALSE(is_quiet_size(159, 120));
    EXPECT_FALSE(is_quiet_size(135, 240)) << "a portrait preview is a real frame";
    EXPECT_FALSE(is_quiet_size(1920, 100)) << "so is a wide strip";
}

TEST(QuietRule, OnlyTheLow16BitsOfTheQuietFieldCount) {
    FrameRecord frame;
    frame_construct(frame);
    EXPECT_FALSE(frame_is_quiet(frame));
    for (std::uint32_t value : {0x1u, 0x8000u, 0xffffu, 0x12340001u}) {
        frame.quiet = value;
        EXPECT_TRUE(frame_is_quiet(frame)) << std::hex << value;
    }
    for (std::uint32_t value : {0x10000u, 0xffff0000u}) {
        frame.quiet = value;
        EXPECT_FALSE(frame_is_quiet(frame)) << std::hex << value;
    }
}

}  // namespace
}  // namespace kdr
