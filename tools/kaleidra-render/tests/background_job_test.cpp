#include "background_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace kdr::render_tool {
namespace {

TEST(BackgroundJobTest, RunsJobsOffTheCallersThreadAndGivesEachOutcomeOnce) {
    BackgroundJob job;
    std::thread::id ran_on;
    job.start([&]() -> Status {
        ran_on = std::this_thread::get_id();
        return Error{"the disk is full"};
    });
    const Status first = job.wait();
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error(), "the disk is full");
    EXPECT_NE(ran_on, std::this_thread::get_id());
    EXPECT_TRUE(job.wait());  // nothing started since

    job.start([] { return Status::success(); });
    EXPECT_TRUE(job.wait());
}

TEST(BackgroundJobTest, NextJobStartsOnlyAfterTheRunningOneAndThrowsBecomeErrors) {
    BackgroundJob job;
    std::atomic<int> step{0};
    job.start([&]() -> Status {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        step = 1;
        return Status::success();
    });
    job.start([&]() -> Status {
        if (step.load() != 1) {
            return Error{"started before the first job ended"};
        }
        throw std::runtime_error("out of memory for a picture");
    });
    const Status outcome = job.wait();
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error(), "out of memory for a picture");
}

TEST(BackgroundJobTest, EndingWaitsForTheRunningJob) {
    std::atomic<bool> finished{false};
    {
        BackgroundJob job;
        job.start([&]() -> Status {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            finished = true;
            return Status::success();
        });
    }
    EXPECT_TRUE(finished.load());
}

}  // namespace
}  // namespace kdr::render_tool
