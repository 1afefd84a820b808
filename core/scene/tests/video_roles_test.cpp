#include "kaleidra/scene/video_roles.h"

#include <gtest/gtest.h>

namespace kdr {
namespace {

TEST(VideoRoles, OnlyATwoVideoTransitionFlyingOnTradesPlaces) {
    EXPECT_TRUE(videos_trade_places(1, 1.0f));
    EXPECT_TRUE(videos_trade_places(1, -1.0f)) << "any non-zero fly direction flies on";
    EXPECT_FALSE(videos_trade_places(1, 0.0f));
    for (std::uint32_t type : {0u, 2u, 3u, 4u}) {
        EXPECT_FALSE(videos_trade_places(type, 1.0f)) << "effect type " << type;
    }
}

TEST(VideoRoles, TradingSwapsVideosOneAndTwoAndLeavesTheRest) {
    EXPECT_EQ(video_shown(1, true), 2u);
    EXPECT_EQ(video_shown(2, true), 1u);
    for (std::uint32_t video : {0u, 3u, 4u, 20u}) {
        EXPECT_EQ(video_shown(video, true), video);
    }
    for (std::uint32_t video : {0u, 1u, 2u, 3u}) {
        EXPECT_EQ(video_shown(video, false), video);
    }
}

}  // namespace
}  // namespace kdr
