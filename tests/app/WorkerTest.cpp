#include "FakeView.h"
#include "Path.h"
#include "Worker.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Runs commands on a real worker thread, as the windows do; the test's own thread plays the window's thread
// and takes the calls the worker posts only when the test says so.
class CThreadedView final : public CFakeView {
  public:
    void SetDlgItemText(int id, const std::string& text) override {
        m_bOffThread = m_bOffThread || std::this_thread::get_id() != m_windowThread;
        CFakeView::SetDlgItemText(id, text);
    }
    void RunInBackground(std::function<void(const CShowText&)> work, std::function<void()> done) override {
        ++m_started;
        m_worker.Start(std::move(work), std::move(done));
    }
    // Runs posted calls on this thread until no command is running.
    void RunPostedCalls(const CMainDlg& dlg) {
        while (dlg.IsBusy()) {
            std::unique_lock lock(m_mutex);
            m_posted.wait(lock, [this] { return !m_calls.empty(); });
            auto calls = std::exchange(m_calls, {});
            lock.unlock();
            for (const auto& call : calls) {
                call();
            }
        }
    }

    bool m_bOffThread = false;
    int m_started = 0;

  private:
    void Post(CWorker::CCall call) {
        const std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
        m_posted.notify_one();
    }

    const std::thread::id m_windowThread = std::this_thread::get_id();
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::vector<CWorker::CCall> m_calls;
    CWorker m_worker{[this](CWorker::CCall call) { Post(std::move(call)); },
                     [this](const std::string& text) { SetDlgItemText(IDC_STATUS, text); }};
};

using WorkerTest = CDialogTestWith<CThreadedView>;

TEST_F(WorkerTest, OneCommandAtATimeEndingOnTheWindowsThreadEvenWhenItThrows) {
    WriteFileBytes("a.mp3", "audio");
    WriteFileBytes("list.m3u", "a.mp3\n");
    WriteFileBytes("Kelvara.ini", "out\nlist.m3u\n");
    Start();
    m_view.SetDlgItemText(IDC_NUMBER, "1");
    m_dlg->OnNumberChanged();
    m_dlg->OnCopy();
    m_dlg->OnDelete();  // refused: the copy has not come back yet
    m_dlg->ConvertAllTags();
    EXPECT_EQ(m_view.m_started, 1);
    m_view.RunPostedCalls(*m_dlg);
    EXPECT_EQ(Field(IDC_STATUS), "FILE (1) COPIED:a.mp3");

    m_fs.ThrowAtCall(1);  // the command's first file call, outside any song
    m_dlg->ConvertAllTags();
    m_view.RunPostedCalls(*m_dlg);
    EXPECT_EQ(Field(IDC_STATUS), "ERROR: the command failed: std::bad_alloc");
    EXPECT_EQ(LogLines().back(), "ERROR: the command failed: std::bad_alloc");
    EXPECT_FALSE(m_view.m_bOffThread) << "the window's fields are set on the window's thread only";

    m_fs.ThrowAtCall(0);
    m_dlg->ConvertAllTags();
    m_view.RunPostedCalls(*m_dlg);
    EXPECT_EQ(Field(IDC_STATUS), "ID3 EDITED - " + JoinPath("out", "a.mp3")) << "the next command runs normally";
}

}  // namespace
