#include "frame_pattern.h"

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/testing/temp_folder.h"

namespace kdr::render_tool {
namespace {

TEST(FramePatternTest, FormatsNumbersAsPrintfWould) {
    std::optional<FramePattern> padded = FramePattern::parse("shots/take%04d.png");
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->name_for(7), "shots/take0007.png");
    EXPECT_EQ(padded->name_for(12345), "shots/take12345.png");
    std::optional<FramePattern> plain = FramePattern::parse("f%d.bmp");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->name_for(12), "f12.bmp");
    std::optional<FramePattern> spaced = FramePattern::parse("f%3d.bmp");
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->name_for(5), "f  5.bmp");
}

TEST(FramePatternTest, RefusesWhatIsNoSingleNumber) {
    for (const char* name :
         {"plain.png", "a%s.png", "a%d%d.png", "dir%d/a.png", "a%.png", "a%10d.png", "%d"}) {
        EXPECT_FALSE(FramePattern::parse(name)) << name;
    }
}

TEST(FramePatternTest, FindsTheNumbersPresentInOrder) {
    test::TempFolder folder;
    for (const char* name : {"take0003.png", "take0001.png", "take0010.png", "take12.png",
                             "take0002.bmp", "other0004.png", "take00x5.png"}) {
        std::ofstream(folder.path() / name) << "x";
    }
    std::optional<FramePattern> pattern =
        FramePattern::parse((folder.path() / "take%04d.png").string());
    ASSERT_TRUE(pattern);
    EXPECT_EQ(pattern->numbers_present(), (std::vector<std::uint32_t>{1, 3, 10}));
}

}  // namespace
}  // namespace kdr::render_tool
