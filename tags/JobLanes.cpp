#include "JobLanes.h"

#include <algorithm>
#include <utility>

CJobLanes::CJobLanes(std::size_t lanes) : m_lanes(std::max<std::size_t>(lanes, 1)) {
    for (std::size_t lane = 0; lane < m_lanes.size(); ++lane) {
        m_threads.emplace_back([this, lane] { Run(lane); });
    }
}

CJobLanes::~CJobLanes() {
    Drain();
    {
        const std::scoped_lock lock(m_mutex);
        m_bStopping = true;
    }
    m_added.notify_all();
    m_threads.clear();  // joins
}

std::size_t CJobLanes::Add(std::function<void()> job) {
    std::size_t number = 0;
    {
        const std::scoped_lock lock(m_mutex);
        number = ++m_nAdded;
        m_lanes[number % m_lanes.size()].jobs.push_back({std::move(job), number});
    }
    m_added.notify_all();
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
    m_done.wait(lock, [this, last] { return HasRunThrough(last); });
}

std::exception_ptr CJobLanes::Drain() {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return HasRunThrough(m_nAdded); });
    return std::exchange(m_error, nullptr);
}

void CJobLanes::Run(std::size_t lane) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_added.wait(lock, [this, lane] { return m_bStopping || !m_lanes[lane].jobs.empty(); });
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
        m_done.notify_all();
    }
}
