// One test that passes and one that skips itself, as a test does when a tool
// it needs is missing.
#include <gtest/gtest.h>

TEST(SkippingProgram, Passes) {
    EXPECT_EQ(1 + 1, 2);
}

TEST(SkippingProgram, SkipsItself) {
    GTEST_SKIP() << "the tool this test needs is missing";
}
