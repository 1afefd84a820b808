// Display matrices as phones write them, and the turning of pictures.

#include "orientation.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/display.h>
}

#include <cstring>

namespace kdr::video::detail {
namespace {

class DisplayMatrix : public ::testing::Test {
  protected:
    void SetUp() override {
        m_format.reset(avformat_alloc_context());
        ASSERT_TRUE(m_format);
        m_stream = avformat_new_stream(m_format.get(), nullptr);
        ASSERT_NE(m_stream, nullptr);
    }
    struct FormatFree {
        void operator()(AVFormatContext* format) const { avformat_free_context(format); }
    };

    // A stream whose display matrix turns it `degrees` clockwise, mirrored
    // when asked.
    const AVStream& stream_turned(double degrees, bool mirrored = false) {
        auto* matrix = reinterpret_cast<std::int32_t*>(
            av_stream_new_side_data(m_stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(std::int32_t)));
        EXPECT_NE(matrix, nullptr);
        av_display_rotation_set(matrix, degrees);
        if (mirrored) {
            av_display_matrix_flip(matrix, 1, 0);
        }
        return *m_stream;
    }

    std::unique_ptr<AVFormatContext, FormatFree> m_format;
    AVStream* m_stream = nullptr;
};

TEST_F(DisplayMatrix, NoneMeansUpright) {
    Result<int> turns = quarter_turns_of(*m_stream);
    ASSERT_TRUE(turns) << turns.error();
    EXPECT_EQ(*turns, 0);
}

TEST_F(DisplayMatrix, QuarterTurnsAreCountedClockwise) {
    const struct {
        double clockwise;
        int clockwise_turns;
    } cases[] = {{90, 1}, {180, 2}, {-180, 2}, {270, 3}, {-90, 3}, {0, 0}, {360, 0}};
    for (const auto& c : cases) {
        SetUp();
        Result<int> turns = quarter_turns_of(stream_turned(c.clockwise));
        ASSERT_TRUE(turns) << turns.error();
        EXPECT_EQ(*turns, c.clockwise_turns) << c.clockwise << " degrees";
    }
}

TEST_F(DisplayMatrix, OtherAnglesAreRefusedByName) {
    Result<int> turns = quarter_turns_of(stream_turned(45));
    ASSERT_FALSE(turns);
    EXPECT_NE(turns.error().find("45 degrees"), std::string::npos) << turns.error();
}

TEST_F(DisplayMatrix, MirroredPicturesAreRefused) {
    Result<int> turns = quarter_turns_of(stream_turned(0, true));
    ASSERT_FALSE(turns);
    EXPECT_NE(turns.error().find("mirrored"), std::string::npos) << turns.error();
}

TEST_F(DisplayMatrix, ATooShortMatrixIsIgnored) {
    ASSERT_NE(av_stream_new_side_data(m_stream, AV_PKT_DATA_DISPLAYMATRIX, 8), nullptr);
    Result<int> turns = quarter_turns_of(*m_stream);
    ASSERT_TRUE(turns) << turns.error();
    EXPECT_EQ(*turns, 0);
}

// A stored 3 x 2 picture with pixel values 1..6, top row first:
//   1 2 3
//   4 5 6
// turned and written bottom-up; the blue byte carries the value.
std::vector<int> turned(int turns, std::uint32_t& width, std::uint32_t& height) {
    std::uint8_t stored[2 * 3 * 3] = {};
    for (int i = 0; i < 6; ++i) {
        stored[i * 3] = static_cast<std::uint8_t>(i + 1);
        stored[i * 3 + 1] = 100;
        stored[i * 3 + 2] = 200;
    }
    width = turns % 2 ? 2 : 3;
    height = turns % 2 ? 3 : 2;
    const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> bitmap(stride * height, 0);
    turn_into_bitmap(stored, 3, 2, turns, bitmap.data(), stride);
    std::vector<int> top_down;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = &bitmap[(height - 1 - y) * stride + x * 3];
            EXPECT_EQ(p[1], 100);
            EXPECT_EQ(p[2], 200);
            top_down.push_back(p[0]);
        }
    }
    return top_down;
}

TEST(TurnIntoBitmap, TurnsClockwiseAndWritesBottomUp) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    EXPECT_EQ(turned(0, width, height), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(width, 3u);
    // A quarter turn clockwise: the left column, bottom up, is the top row.
    EXPECT_EQ(turned(1, width, height), (std::vector<int>{4, 1, 5, 2, 6, 3}));
    EXPECT_EQ(width, 2u);
    EXPECT_EQ(height, 3u);
    EXPECT_EQ(turned(2, width, height), (std::vector<int>{6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(turned(3, width, height), (std::vector<int>{3, 6, 2, 5, 1, 4}));
}

}  // namespace
}  // namespace kdr::video::detail
