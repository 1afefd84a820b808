// The host's completion as the engine's frame position and total.

#include "frame_positions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

namespace kdr::frei0r {
namespace {

// Frame i of an n-frame transition keyed "0=0;-1=1" at `rate` frames a
// second, as MLT passes it.
struct HostFrame {
    double time;
    double completion;
};
HostFrame frame_of(int i, int n, double rate) {
    return {i / rate, n > 1 ? double(i) / (n - 1) : 0.0};
}

struct SequenceCase {
    const char* what;
    int frames;
    double rate;
};

class InOrderTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(InOrderTest, FrameIOfNIsPositionIOfNMinusOne) {
    const SequenceCase& c = GetParam();
    FrameClock clock;
    FramePositions positions(clock);
    for (int i = 0; i < c.frames; ++i) {
        const HostFrame host = frame_of(i, c.frames, c.rate);
        const FramePlace place = positions.place(host.time, host.completion);
        if (i == 0) {
            EXPECT_EQ(place.position, 0u) << c.what;
            continue;
        }
        EXPECT_EQ(place.total, static_cast<std::uint32_t>(c.frames - 1))
            << c.what << " frame " << i;
        EXPECT_EQ(place.position, static_cast<std::uint32_t>(i)) << c.what << " frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Transitions, InOrderTest,
                         ::testing::Values(SequenceCase{"ten frames at 25", 10, 25.0},
                                           SequenceCase{"one second at 25", 25, 25.0},
                                           SequenceCase{"three frames at 30", 3, 30.0},
                                           SequenceCase{"two seconds at NTSC", 60, 30000.0 / 1001},
                                           SequenceCase{"long at 23.976", 240, 24000.0 / 1001},
                                           SequenceCase{"five seconds at 60", 300, 60.0}));

TEST(FramePositionsTest, EndsAreExactWhateverWasLearnt) {
    for (double time : {0.0, 3.0, 0.5}) {
        FrameClock clock;
        FramePositions fresh(clock);
        EXPECT_EQ(fresh.place(time, 0.0).position, 0u);
        const FramePlace last = fresh.place(time + 7, 1.0);
        EXPECT_EQ(last.position, last.total);
    }
    FrameClock clock;
    FramePositions clamped(clock);
    EXPECT_EQ(clamped.place(0, -0.5).position, 0u);
    EXPECT_EQ(clamped.place(0, std::nan("")).position, 0u);
    const FramePlace beyond = clamped.place(1, 1.5);
    EXPECT_EQ(beyond.position, beyond.total);
}

TEST(FramePositionsTest, BeforeTwoTimesTheDefaultTotalStands) {
    FrameClock clock;
    FramePositions positions(clock);
    const FramePlace place = positions.place(0.48, 0.5);
    EXPECT_EQ(place.total, FramePositions::default_total);
    EXPECT_EQ(place.position, FramePositions::default_total / 2);
}

TEST(FramePositionsTest, MiddleValuesNeverLandOnAnEnd) {
    // Two frames keyed 0 and 1 teach total 1; a value between them is still
    // neither end.
    FrameClock clock;
    FramePositions positions(clock);
    (void)positions.place(0, 0);
    EXPECT_EQ(positions.place(0.04, 1).total, 1u);
    const FramePlace nearly_a = positions.place(0.04, 0.001);
    EXPECT_GT(nearly_a.position, 0u);
    EXPECT_LT(nearly_a.position, nearly_a.total);
    const FramePlace nearly_b = positions.place(0.04, 0.999);
    EXPECT_GT(nearly_b.position, 0u);
    EXPECT_LT(nearly_b.position, nearly_b.total);
}

TEST(FramePositionsTest, JumpsUseTheRateOfChangeOnceTheFrameTimeIsKnown) {
    FrameClock clock;
    FramePositions positions(clock);
    // A 21-frame transition at 25 frames a second, first seen two frames
    // apart (a host seeking): as far as anyone can tell those were
    // neighbours, so the total is half the truth for now.
    (void)positions.place(4 / 25.0, 4 / 20.0);
    EXPECT_EQ(positions.place(6 / 25.0, 6 / 20.0).total, 10u);
    // Two neighbouring frames give the true frame time and total.
    (void)positions.place(10 / 25.0, 10 / 20.0);
    EXPECT_EQ(positions.place(11 / 25.0, 11 / 20.0).total, 20u);
    // From then on a jump anywhere keeps it.
    const FramePlace jumped = positions.place(18 / 25.0, 18 / 20.0);
    EXPECT_EQ(jumped.total, 20u);
    EXPECT_EQ(jumped.position, 18u);
    EXPECT_EQ(positions.place(3 / 25.0, 3 / 20.0).position, 3u);
}

// A host rendering with several threads keeps one instance per thread and
// deals the frames out among them: no instance sees two neighbours, but
// together they teach the frame time.
TEST(FramePositionsTest, InstancesDealtEveryThirdFrameLearnTheTotalTogether) {
    FrameClock clock;
    std::vector<FramePositions> instances(3, FramePositions(clock));
    const int frames = 31;
    for (int i = 0; i < frames; ++i) {
        const HostFrame host = frame_of(i, frames, 25.0);
        const FramePlace place = instances[i % 3].place(host.time, host.completion);
        if (i >= 4) {
            EXPECT_EQ(place.total, 30u) << "frame " << i;
            EXPECT_EQ(place.position, static_cast<std::uint32_t>(i)) << "frame " << i;
        }
    }
    // One instance alone with every third frame takes it for every frame.
    FrameClock lonely_clock;
    FramePositions lonely(lonely_clock);
    for (int i = 0; i < frames; i += 3) {
        const HostFrame host = frame_of(i, frames, 25.0);
        (void)lonely.place(host.time, host.completion);
    }
    EXPECT_EQ(lonely.total(), 10u);
}

TEST(FramePositionsTest, TheClockIsSharedSafelyBetweenThreads) {
    FrameClock clock;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&clock, t] {
            FramePositions positions(clock);
            for (int i = t; i < 400; i += 4) {
                (void)positions.place(i / 50.0, i / 399.0);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(clock.frame_time());
    EXPECT_NEAR(*clock.frame_time(), 1 / 50.0, 1e-12);
}

TEST(FramePositionsTest, PlayingBackwardsLearnsTheSame) {
    FrameClock clock;
    FramePositions positions(clock);
    for (int i = 12; i >= 0; --i) {
        const FramePlace place = positions.place(i / 25.0, i / 12.0);
        if (i < 12) {
            EXPECT_EQ(place.total, 12u) << i;
            EXPECT_EQ(place.position, static_cast<std::uint32_t>(i)) << i;
        }
    }
}

TEST(FramePositionsTest, RepeatedFramesAndHeldValuesTeachNothing) {
    FrameClock clock;
    FramePositions positions(clock);
    (void)positions.place(0, 0);
    (void)positions.place(0.04, 0.1);
    ASSERT_EQ(positions.total(), 10u);
    // The same frame again, and a stretch where the keyframes hold.
    (void)positions.place(0.04, 0.1);
    (void)positions.place(0.08, 0.1);
    (void)positions.place(0.12, 0.1);
    EXPECT_EQ(positions.total(), 10u);
    // A step too small to be a frame stays bounded.
    (void)positions.place(0.16, 0.1 + 1e-9);
    EXPECT_EQ(positions.total(), FramePositions::max_total);
}

TEST(FramePositionsTest, EasedKeyframesFollowTheLocalStep) {
    // Completion eased as c = (i / 20)^2: the step, and so the frame count
    // that trails and blur use, follows the curve.
    FrameClock clock;
    FramePositions positions(clock);
    std::vector<std::uint32_t> totals;
    for (int i = 0; i <= 20; ++i) {
        const double c = (i / 20.0) * (i / 20.0);
        const FramePlace place = positions.place(i / 25.0, c);
        if (i > 1 && i < 20) {
            // Position over total stays within a step of the host's value.
            const double step = c - ((i - 1) / 20.0) * ((i - 1) / 20.0);
            EXPECT_NEAR(double(place.position) / place.total, c, step) << i;
            totals.push_back(place.total);
        }
    }
    ASSERT_FALSE(totals.empty());
    EXPECT_GT(totals.front(), totals.back());
}

}  // namespace
}  // namespace kdr::frei0r
