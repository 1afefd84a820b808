// Kdr5_30's completion-to-part rule and the vxDLL bitmaps as pictures.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "completion_clock.h"
#include "vx_bitmap.h"
#include "vx_transitions.h"

namespace kdr::vxdll {
namespace {

TEST(CompletionClock, TheFirstNonzeroCompletionFixesTheTotal) {
    CompletionClock clock;
    const float completions[] = {0.0f, 0.1f, 0.2f, 0.3f};
    const std::uint32_t totals[] = {60, 11, 11, 11};
    const std::uint32_t parts[] = {0, 1, 2, 3};
    for (int i = 0; i < 4; ++i) {
        const FramePlace place = clock.advance(completions[i]);
        EXPECT_EQ(place.total, totals[i]) << i;
        EXPECT_EQ(place.part, parts[i]) << i;
    }
    // Another transition starts at 0 and gets a total of its own.
    EXPECT_EQ(clock.advance(0.0f).total, 60u);
    EXPECT_EQ(clock.advance(0.25f).total, 5u);
    EXPECT_EQ(clock.advance(1.0f).part, 5u);
}

TEST(CompletionClock, AHostThatStartsPastZeroStillGetsATotal) {
    CompletionClock clock;
    const FramePlace place = clock.advance(0.5f);
    EXPECT_EQ(place.total, 3u);
    EXPECT_EQ(place.part, 1u);
}

TEST(CompletionClock, HostileCompletionsAreClamped) {
    CompletionClock clock;
    EXPECT_EQ(clock.advance(-0.5f).total, 60u);
    EXPECT_EQ(clock.advance(std::numeric_limits<float>::quiet_NaN()).part, 0u);
    const FramePlace tiny = clock.advance(1e-30f);
    EXPECT_EQ(tiny.total, CompletionClock::max_total);
    EXPECT_EQ(tiny.part, 0u);
    const FramePlace past = clock.advance(7.0f);
    EXPECT_EQ(past.part, CompletionClock::max_total);
    EXPECT_EQ(clock.advance(std::numeric_limits<float>::infinity()).part,
              CompletionClock::max_total);
    CompletionClock denormal;
    EXPECT_EQ(denormal.advance(std::numeric_limits<float>::denorm_min()).total,
              CompletionClock::max_total);
}

TEST(SettingsNumber, HundredsAndUnits) {
    EXPECT_EQ(settings_number(12, 34), 1234);
    EXPECT_EQ(settings_number(0, 7), 7);
    EXPECT_EQ(settings_number(0, 0), 0);
    EXPECT_EQ(settings_number(-1, 5), 0);
    EXPECT_EQ(settings_number(0x7fffffff, 99), 0) << "beyond 32 bits";
}

TEST(VxBitmapPicture, RowsArePaddedBottomFirstWithTheFrameAtItsOffset) {
    hostkit::VxBitmapHeader header{};
    header.width = 10;
    header.height = 6;
    std::uint8_t pixels[32 * 6] = {};
    Result<host::HostPicture> whole = bitmap_picture(&header, pixels);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->format, format_bgr);
    EXPECT_EQ(whole->bytes_per_pixel, 3);
    EXPECT_EQ(whole->alignment, 4);
    EXPECT_EQ(whole->row_order, row_order_bottom_up);
    EXPECT_EQ(whole->width, 10u);
    Result<host::HostPicture> part = bitmap_picture(&header, pixels, FrameArea{6, 2, 4, 4});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->row_length, 10u);
    EXPECT_EQ(part->stored_rows, 6u);
    EXPECT_EQ(part->skip_pixels, 6u);
    EXPECT_EQ(part->skip_rows, 2u);
    EXPECT_FALSE(bitmap_picture(&header, pixels, FrameArea{7, 2, 4, 4}));
    EXPECT_FALSE(bitmap_picture(&header, pixels, FrameArea{6, 3, 4, 4}));
    EXPECT_FALSE(bitmap_picture(&header, nullptr));
    EXPECT_FALSE(bitmap_picture(nullptr, pixels));
    header.height = -6;
    EXPECT_FALSE(bitmap_picture(&header, pixels));
}

}  // namespace
}  // namespace kdr::vxdll
