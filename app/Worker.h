#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Runs one command at a time on a thread of its own, so that a window stays painted while it works. The
// work never touches the window: what it shows and its end reach the window's thread through `post`, which
// each toolkit supplies ("run this call on the window's thread, later"). Only the newest text shown waits
// to be posted, so a fast command cannot flood the window.
class CWorker {
  public:
    using CCall = std::function<void()>;
    using CShowText = std::function<void(const std::string& text)>;

    CWorker(std::function<void(CCall)> post, CShowText showOnWindow);
    ~CWorker();  // waits for the running work
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;

    // Starts `work` and, once it has ended, runs `done` on the window's thread. False, with nothing started,
    // while earlier work has not yet come back to the window's thread.
    bool Start(std::function<void(const CShowText&)> work, CCall done);

  private:
    void HandOff(std::optional<std::string> text, bool ended);
    void OnNews();  // on the window's thread

    std::function<void(CCall)> m_post;
    CShowText m_showOnWindow;
    std::thread m_thread;
    CCall m_done;  // touched by the window's thread only
    std::mutex m_mutex;
    std::optional<std::string> m_text;  // the newest text not yet shown
    bool m_bEnded = false;
    bool m_bPosted = false;
};
