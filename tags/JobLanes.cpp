#include "JobLanes.h"

#include <algorithm>
#include <utility>

void RunSpread(std::size_t count, std::size_t threads, const std::function<void(std::size_t)>& work) {
    const std::size_t shares = std::min(count, threads);
    std::mutex failure;
    std::exception_ptr error;
    auto runShare = [&](std::size_t first) {
        try {
            for (std::size_t i = first; i < count; i += shares) {
                work(i);
            }
        } catch (...) {
            const std::scoped_lock lock(failure);
            error = error ? error : std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        std::size_t first = 1;
        try {
            helpers.reserve(shares);
            for (; first < shares; ++first) {
                helpers.emplace_back(runShare, first);
            }
        } catch (...) {
            // The shares without a thread are run below.
        }
        for (std::size_t left = first; left < shares; ++left) {
            runShare(left);
        }
        runShare(0);
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

CJobLanes::CJobLanes(std::size_t lanes) : m_lanes(std::max<std::size_t>(lanes, 1)) {
    try {
        for (std::size_t lane = 0; lane < m_lanes.size(); ++lane) {
            m_threads.emplace_back([this, lane] { Run(lane); });
        }
    } catch (...) {
        Stop();  // the lanes already started would wait for jobs forever
        throw;
    }
}

CJobLanes::~CJobLanes() {
    Drain();
    Stop();
}

void CJobLanes::Stop() {
    {
        const std::scoped_lock lock(m_mutex);
        m_bStopping = true;
    }
    for (CLane& lane : m_lanes) {
        lane.added.notify_one();
    }
    m_threads.clear();  // joins
}

std::size_t CJobLanes::Add(std::function<void()> job) {
    const std::scoped_lock lock(m_mutex);
    const std::size_t number = ++m_nAdded;
    CLane& lane = m_lanes[number % m_lanes.size()];
    lane.jobs.push_back({std::move(job), number});
    if (lane.jobs.size() == 1 && lane.nRunning == 0) {
        lane.added.notify_one();  // else the lane is busy and finds the job itself
    }
    return number;
}

// Each lane runs its jobs in the order of their numbers.
bool CJobLanes::HasRunThrough(std::size_t last) const {
    return std::ranges::all_of(m_lanes, [last](const CLane& lane) {
        return (lane.nRunning == 0 || lane.nRunning > last) && (lane.jobs.empty() || lane.jobs.front().nNumber > last);
    });
}

void CJobLanes::WaitThrough(std::size_t last) {
    std::unique_lock lock(m_mutex);
    ++m_nWaiting;
    m_done.wait(lock, [this, last] { return HasRunThrough(last); });
    --m_nWaiting;
}

std::exception_ptr CJobLanes::Drain() {
    WaitThrough(m_nAdded);
    const std::scoped_lock lock(m_mutex);
    return std::exchange(m_error, nullptr);
}

void CJobLanes::Run(std::size_t lane) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_lanes[lane].added.wait(lock, [this, lane] { return m_bStopping || !m_lanes[lane].jobs.empty(); });
        if (m_lanes[lane].jobs.empty()) {
            return;  // stopping, and nothing left
        }
        CJob job = std::move(m_lanes[lane].jobs.front());
        m_lanes[lane].jobs.pop_front();
        m_lanes[lane].nRunning = job.nNumber;
        lock.unlock();
        std::exception_ptr error;
        try {
            job.run();
        } catch (...) {
            error = std::current_exception();
        }
        job.run = nullptr;
        lock.lock();
        m_lanes[lane].nRunning = 0;
        m_error = m_error ? m_error : error;
        if (m_nWaiting != 0) {
            m_done.notify_all();
        }
    }
}
