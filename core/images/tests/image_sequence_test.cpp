#include "kaleidra/images/image_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kdr {
namespace {

struct Numbered {
    const char* name;
    std::uint32_t index;
    const char* expected;
};

class NumberedName : public ::testing::TestWithParam<Numbered> {};

TEST_P(NumberedName, ReplacesTheDigitsBeforeTheFirstDot) {
    EXPECT_EQ(numbered_file_name(GetParam().name, GetParam().index), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, NumberedName,
    ::testing::Values(Numbered{"take0001.bmp", 17, "take0017.bmp"},
                      Numbered{"take0001.bmp", 0, "take0000.bmp"},
                      Numbered{"take99.tga", 123, "take123.tga"},
                      Numbered{"0001.bmp", 2, "0002.bmp"}, Numbered{"a1.b2.bmp", 7, "a7.b2.bmp"},
                      Numbered{"take.0001.bmp", 5, "take.0001.bmp"},
                      Numbered{"clip.bmp", 4, "clip.bmp"}, Numbered{"frame07", 3, "frame03"},
                      Numbered{"shots.v2/take01.tga", 5, "shots.v2/take05.tga"},
                      Numbered{"shots.v2/take.tga", 5, "shots.v2/take.tga"},
                      Numbered{"run3/clip.bmp", 5, "run3/clip.bmp"}));

std::vector<std::string> attempts(const std::string& name, std::uint32_t index) {
    std::vector<std::string> tried;
    EXPECT_FALSE(load_sequence_frame(name, index, [&](const std::string& file) {
        tried.push_back(file);
        return false;
    }));
    return tried;
}

TEST(SequenceFallback, TriesEarlierFramesThenTheNameAsGiven) {
    EXPECT_EQ(attempts("f05.tga", 3),
              (std::vector<std::string>{"f03.tga", "f02.tga", "f01.tga", "f00.tga", "f05.tga"}));
}

TEST(SequenceFallback, FrameZeroAlsoTriesFrameOne) {
    EXPECT_EQ(attempts("f05.tga", 0),
              (std::vector<std::string>{"f00.tga", "f01.tga", "f00.tga", "f05.tga"}));
}

TEST(SequenceFallback, ANameWithoutDigitsIsTriedOnce) {
    EXPECT_EQ(attempts("still.bmp", 40), (std::vector<std::string>{"still.bmp"}));
}

TEST(SequenceFallback, StopsAtTheFirstFrameThatLoads) {
    std::vector<std::string> tried;
    EXPECT_TRUE(load_sequence_frame("f1.bmp", 4, [&](const std::string& file) {
        tried.push_back(file);
        return file == "f2.bmp";
    }));
    EXPECT_EQ(tried, (std::vector<std::string>{"f4.bmp", "f3.bmp", "f2.bmp"}));
}

}  // namespace
}  // namespace kdr
