#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs work(i) for every i below `count` on up to `threads` threads at once, the calling one among them, and
// returns when all are done. Thread t takes every threads-th i from t, so that a run's calls fall on its threads
// the same way every time; where no more threads can be had, the calling thread takes their shares. The first
// exception work throws is passed on at the end.
void RunSpread(std::size_t count, std::size_t threads, const std::function<void(std::size_t)>& work);

// A few threads that run jobs while their owner goes on. Jobs are dealt to the lanes in turn, and each lane runs
// its own in the order they came, so that a run's work falls on its threads the same way every time.
class CJobLanes {
  public:
    explicit CJobLanes(std::size_t lanes);
    CJobLanes(const CJobLanes&) = delete;
    CJobLanes& operator=(const CJobLanes&) = delete;
    // Waits for the jobs already added; an exception they met is dropped.
    ~CJobLanes();

    // `job` runs on the next lane in turn. It may throw: the first exception is kept for Drain. Returns the job's
    // number, counted from 1.
    std::size_t Add(std::function<void()> job);
    // Waits until the jobs numbered up to `last` have run; any thread may wait so.
    void WaitThrough(std::size_t last);
    // Waits until every job added has run. Returns the first exception a job met since the last Drain, if any.
    std::exception_ptr Drain();

  private:
    struct CJob {
        std::function<void()> run;
        std::size_t nNumber = 0;
    };
    struct CLane {
        std::deque<CJob> jobs;
        std::size_t nRunning = 0;  // the number of the job running, or 0
        std::condition_variable added;
    };
    void Run(std::size_t lane);
    void Stop();
    bool HasRunThrough(std::size_t last) const;

    std::mutex m_mutex;
    std::condition_variable m_done;
    std::size_t m_nWaiting = 0;  // threads waiting for m_done: a job's end wakes nobody else
    std::vector<CLane> m_lanes;
    std::size_t m_nAdded = 0;
    bool m_bStopping = false;
    std::exception_ptr m_error;
    std::vector<std::jthread> m_threads;  // last: they stop before what they use goes
};
