#include "Worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The test's own thread plays the window's thread: it runs the calls the worker posts only when it drains them.
class WorkerTest : public ::testing::Test {
  protected:
    // Runs the posted calls on this thread until `done` has run once more.
    void RunPostedCallsUntilDone() {
        for (const int before = m_done; m_done == before;) {
            std::unique_lock lock(m_mutex);
            ASSERT_TRUE(m_posted.wait_for(lock, std::chrono::seconds(10), [this] { return !m_calls.empty(); }))
                << "the work's end never reached the window's thread";
            auto calls = std::exchange(m_calls, {});
            lock.unlock();
            std::ranges::for_each(calls, [](const CWorker::CCall& call) { call(); });
        }
    }
    void OnWindowsThread() { m_bOffThread = m_bOffThread || std::this_thread::get_id() != m_windowThread; }

    const std::thread::id m_windowThread = std::this_thread::get_id();
    bool m_bOffThread = false;
    std::string m_shown;  // the text the window shows
    int m_done = 0;
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::vector<CWorker::CCall> m_calls;
    CWorker m_worker{[this](CWorker::CCall call) {
                         const std::lock_guard lock(m_mutex);
                         m_calls.push_back(std::move(call));
                         m_posted.notify_one();
                     },
                     [this](const std::string& text) { OnWindowsThread(), m_shown = text; }};
};

TEST_F(WorkerTest, OneWorkAtATimeWhoseTextsAndEndReachTheWindowsThreadOnly) {
    const auto work = [](const CWorker::CShowText& show) { show("first"), show("last"); };
    const auto done = [this] { OnWindowsThread(), ++m_done; };
    ASSERT_TRUE(m_worker.Start(work, done));
    EXPECT_FALSE(m_worker.Start(work, done)) << "refused until the first work's end has come back";
    RunPostedCallsUntilDone();
    EXPECT_EQ(m_shown, "last");
    ASSERT_TRUE(m_worker.Start([](const CWorker::CShowText&) {}, done)) << "the next work runs";
    RunPostedCallsUntilDone();
    EXPECT_EQ(m_done, 2);
    EXPECT_FALSE(m_bOffThread);
}

}  // namespace
