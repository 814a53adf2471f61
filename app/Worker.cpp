#include "Worker.h"

#include <utility>

CWorker::CWorker(std::function<void(CCall)> post, CShowText showOnWindow)
    : m_post(std::move(post)), m_showOnWindow(std::move(showOnWindow)) {}

CWorker::~CWorker() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CWorker::Start(std::function<void(const CShowText&)> work, CCall done) {
    if (m_done) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // ended already: its news has been handled
    }
    m_done = std::move(done);
    m_thread = std::thread([this, work = std::move(work)] {
        work([this](const std::string& text) { HandOff(text, false); });
        HandOff(std::nullopt, true);
    });
    return true;
}

// Posts only when nothing is waiting already: the posted call takes whatever has come in by then.
void CWorker::HandOff(std::optional<std::string> text, bool ended) {
    bool post = false;
    {
        const std::lock_guard lock(m_mutex);
        if (text) {
            m_text = std::move(text);
        }
        m_bEnded = m_bEnded || ended;
        post = !std::exchange(m_bPosted, true);
    }
    if (post) {
        m_post([this] { OnNews(); });
    }
}

void CWorker::OnNews() {
    std::optional<std::string> text;
    bool ended = false;
    {
        const std::lock_guard lock(m_mutex);
        text = std::exchange(m_text, std::nullopt);
        ended = std::exchange(m_bEnded, false);
        m_bPosted = false;
    }
    if (text) {
        m_showOnWindow(*text);
    }
    if (ended) {
        m_thread.join();
        std::exchange(m_done, nullptr)();
    }
}
