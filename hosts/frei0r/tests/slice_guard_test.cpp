// Telling whole frames from the slices a host cuts a frame into.

#include "slice_guard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

namespace kdr::frei0r {
namespace {

// A frame of `slices` slices of `pixels` pixels each, as a host keeps it.
struct Frame {
    Frame(std::size_t pixels, int slices)
        : pixels(pixels), a(pixels * slices), b(pixels * slices), out(pixels * slices) {}
    UpdateCall slice(int index, double time) {
        const std::size_t offset = pixels * static_cast<std::size_t>(index);
        return {time, a.data() + offset, b.data() + offset, out.data() + offset};
    }
    std::size_t pixels;
    std::vector<std::uint32_t> a, b, out;
};

TEST(SliceGuardTest, WholeFramesRenderFrameAfterFrameAndAgain) {
    Frame frame(64, 1);
    SliceGuard guard(64);
    for (double time : {0.0, 0.04, 0.08, 0.08, 0.04}) {
        const SliceGuard::Entry entry = guard.enter(frame.slice(0, time));
        EXPECT_TRUE(entry.render) << time;
        EXPECT_FALSE(entry.repair) << time;
        EXPECT_FALSE(guard.leave(true)) << time;
    }
    EXPECT_FALSE(guard.sliced());
}

TEST(SliceGuardTest, SlicesOneAfterAnotherAreFoundAndTheFirstIsRepaired) {
    Frame frame(64, 3);
    SliceGuard guard(64);
    const SliceGuard::Entry first = guard.enter(frame.slice(0, 1.0));
    ASSERT_TRUE(first.render);  // nobody can tell yet
    EXPECT_FALSE(guard.leave(true));

    const SliceGuard::Entry second = guard.enter(frame.slice(1, 1.0));
    EXPECT_FALSE(second.render);
    EXPECT_TRUE(second.first_detection);
    ASSERT_TRUE(second.repair);
    EXPECT_EQ(second.repair->out, frame.out.data());
    EXPECT_EQ(second.repair->a, frame.a.data());
    EXPECT_FALSE(guard.leave(false));

    const SliceGuard::Entry third = guard.enter(frame.slice(2, 1.0));
    EXPECT_FALSE(third.render);
    EXPECT_FALSE(third.first_detection);
    EXPECT_FALSE(third.repair);
    EXPECT_FALSE(guard.leave(false));

    // For good: the next frame's first slice no longer renders.
    Frame next(64, 3);
    EXPECT_FALSE(guard.enter(next.slice(0, 1.04)).render);
    EXPECT_FALSE(guard.leave(false));
    EXPECT_TRUE(guard.sliced());
}

TEST(SliceGuardTest, SlicesInAnyOrderAreFoundAtTheSecond) {
    for (const auto& order : {std::vector<int>{2, 0, 1, 3}, std::vector<int>{3, 2, 1, 0},
                              std::vector<int>{1, 3, 0, 2}}) {
        Frame frame(64, 4);
        SliceGuard guard(64);
        ASSERT_TRUE(guard.enter(frame.slice(order[0], 1.0)).render);
        (void)guard.leave(true);
        const SliceGuard::Entry second = guard.enter(frame.slice(order[1], 1.0));
        EXPECT_FALSE(second.render);
        ASSERT_TRUE(second.repair);
        EXPECT_EQ(second.repair->out, frame.slice(order[0], 1.0).out);
        (void)guard.leave(false);
        for (std::size_t i = 2; i < order.size(); ++i) {
            EXPECT_FALSE(guard.enter(frame.slice(order[i], 1.0)).render);
            (void)guard.leave(false);
        }
    }
}

TEST(SliceGuardTest, OnlyAllThreeBuffersMovedTogetherAtTheSameTimeCount) {
    struct Case {
        const char* what;
        std::size_t a_offset, b_offset, out_offset;
        double time;
    };
    for (const Case& c :
         {Case{"another time", 64, 64, 64, 2.0}, Case{"input A elsewhere", 0, 64, 64, 1.0},
          Case{"input B elsewhere", 64, 65, 64, 1.0}, Case{"output elsewhere", 64, 64, 128, 1.0},
          Case{"the same buffers again", 0, 0, 0, 1.0}, Case{"half a slice on", 32, 32, 32, 1.0}}) {
        Frame frame(64, 3);
        SliceGuard guard(64);
        (void)guard.enter({1.0, frame.a.data() + 64, frame.b.data() + 64, frame.out.data() + 64});
        (void)guard.leave(true);
        const SliceGuard::Entry entry =
            guard.enter({c.time, frame.a.data() + 64 + c.a_offset, frame.b.data() + 64 + c.b_offset,
                         frame.out.data() + 64 + c.out_offset});
        EXPECT_TRUE(entry.render) << c.what;
        (void)guard.leave(true);
        EXPECT_FALSE(guard.sliced()) << c.what;
    }
}

TEST(SliceGuardTest, ACallEnteringWhileAnotherRendersRevealsSlicing) {
    Frame frame(64, 2);
    SliceGuard guard(64);
    const SliceGuard::Entry first = guard.enter(frame.slice(0, 0.5));
    ASSERT_TRUE(first.render);
    const SliceGuard::Entry second = guard.enter(frame.slice(1, 0.5));
    EXPECT_FALSE(second.render);
    EXPECT_TRUE(second.first_detection);
    // The first is still drawing; it repairs its own slice when it leaves.
    EXPECT_FALSE(second.repair);
    EXPECT_FALSE(guard.leave(false));
    EXPECT_TRUE(guard.leave(true));
}

// Slices entering at once from several threads, as a host's slice pool
// calls them: however they interleave, no slice keeps a rendered picture
// unrepaired and exactly one call reports the discovery.
TEST(SliceGuardTest, ConcurrentSlicesNeverKeepARenderedPicture) {
    constexpr int slices = 4;
    for (int round = 0; round < 50; ++round) {
        Frame frame(256, slices);
        SliceGuard guard(256);
        std::barrier start(slices);
        std::atomic<int> discoveries{0};
        std::vector<int> kept(slices, 0);  // 1: rendered and not put back
        std::vector<std::thread> threads;
        std::atomic<int> repaired_from_outside{0};
        std::vector<std::atomic<int>> repairs(slices);
        for (int i = 0; i < slices; ++i) {
            threads.emplace_back([&, i] {
                start.arrive_and_wait();
                const UpdateCall call = frame.slice(i, 2.0);
                const SliceGuard::Entry entry = guard.enter(call);
                if (entry.first_detection) {
                    ++discoveries;
                }
                if (entry.repair) {
                    const auto index = static_cast<int>((entry.repair->out - frame.out.data()) /
                                                        static_cast<std::ptrdiff_t>(frame.pixels));
                    ++repairs[index];
                }
                const bool put_back = guard.leave(entry.render);
                kept[i] = entry.render && !put_back ? 1 : 0;
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(discoveries.load(), 1) << "round " << round;
        EXPECT_TRUE(guard.sliced()) << "round " << round;
        for (int i = 0; i < slices; ++i) {
            EXPECT_TRUE(kept[i] == 0 || repairs[i].load() > 0)
                << "round " << round << ": slice " << i << " kept its picture";
        }
    }
}

}  // namespace
}  // namespace kdr::frei0r
