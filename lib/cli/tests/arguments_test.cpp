#include "kaleidra/cli/arguments.h"

#include <gtest/gtest.h>

namespace kdr::cli {
namespace {

TEST(ParseCount, TakesWholeDecimalNumbersUpTo32Bits) {
    EXPECT_EQ(parse_count("0"), 0u);
    EXPECT_EQ(parse_count("007"), 7u);
    EXPECT_EQ(parse_count("4294967295"), 4294967295u);
}

TEST(ParseCount, RefusesAnythingButPlainDigits) {
    for (const char* text : {"", "4294967296", "-1", "+5", " 5", "5 ", "12x", "0x10", "1.0"}) {
        EXPECT_FALSE(parse_count(text).has_value()) << '"' << text << '"';
    }
}

TEST(ParseReal, TakesFiniteNumbersAndRefusesTheRest) {
    EXPECT_DOUBLE_EQ(*parse_real("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(*parse_real("-1"), -1.0);
    EXPECT_DOUBLE_EQ(*parse_real("1e3"), 1000.0);
    for (const char* text : {"", "nan", "inf", "-inf", "1e999", "2.5fps", " 1"}) {
        EXPECT_FALSE(parse_real(text).has_value()) << '"' << text << '"';
    }
}

struct SizeCase {
    const char* text;
    bool accepted;
    std::uint32_t width;
    std::uint32_t height;
};

class ParseSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ParseSize, ReadsWidthCrossHeightWithinTheRange) {
    const SizeCase& c = GetParam();
    Result<Size> size = parse_size(c.text, "--size", {16, 12}, {1024, 768});
    ASSERT_EQ(size.ok(), c.accepted) << c.text;
    if (c.accepted) {
        EXPECT_EQ(size->width, c.width);
        EXPECT_EQ(size->height, c.height);
    } else {
        EXPECT_EQ(size.error(), "--size takes WIDTHxHEIGHT from 16x12 to 1024x768, not \"" +
                                    std::string(c.text) + "\"");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ParseSize,
    ::testing::Values(SizeCase{"640x480", true, 640, 480}, SizeCase{"640X480", true, 640, 480},
                      SizeCase{"16x12", true, 16, 12}, SizeCase{"1024x768", true, 1024, 768},
                      SizeCase{"15x12", false, 0, 0}, SizeCase{"16x11", false, 0, 0},
                      SizeCase{"1025x768", false, 0, 0}, SizeCase{"1024x769", false, 0, 0},
                      SizeCase{"640", false, 0, 0}, SizeCase{"640x", false, 0, 0},
                      SizeCase{"x480", false, 0, 0}, SizeCase{"640x480x2", false, 0, 0},
                      SizeCase{"-640x480", false, 0, 0}, SizeCase{"", false, 0, 0}));

}  // namespace
}  // namespace kdr::cli
