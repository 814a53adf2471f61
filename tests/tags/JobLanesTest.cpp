#include "JobLanes.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

namespace {

// Jobs 1 and 3 share a lane, 2 runs on the other. Waiting through job 2 must also wait for job 1, still running
// on its lane while the wait begins, but need not wait for job 3.
TEST(JobLanesTest, WaitThroughAJobWaitsForEveryEarlierJobOnEveryLane) {
    std::array<std::atomic<bool>, 4> done{};
    std::promise<void> release;
    CJobLanes lanes(2);
    lanes.Add([&done, finish = release.get_future().share()] {
        finish.wait();
        done[1] = true;
    });
    lanes.Add([&done] { done[2] = true; });
    lanes.Add([&done] { done[3] = true; });
    auto seen = std::async(std::launch::async, [&] {
        lanes.WaitThrough(2);
        return done[1] && done[2];
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // lets the wait begin before job 1 ends
    release.set_value();
    EXPECT_TRUE(seen.get());
    EXPECT_EQ(lanes.Drain(), nullptr);
    EXPECT_TRUE(done[3]);
}

// A job's exception stops neither its lane nor the batch: the first one is passed on, once.
TEST(JobLanesTest, DrainPassesOnTheFirstExceptionOnceAndTheLanesGoOn) {
    std::atomic<int> ran = 0;
    CJobLanes lanes(2);
    lanes.Add([] { throw std::runtime_error("first"); });
    lanes.Add([&ran] { ++ran; });
    lanes.Add([] { throw std::runtime_error("second"); });
    lanes.Add([&ran] { ++ran; });
    lanes.Add([&ran] { ++ran; });  // after both throwing jobs on their lane
    const std::exception_ptr error = lanes.Drain();
    ASSERT_NE(error, nullptr);
    try {
        std::rethrow_exception(error);
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "first");
    }
    EXPECT_EQ(ran, 3);
    EXPECT_EQ(lanes.Drain(), nullptr);
}

}  // namespace
