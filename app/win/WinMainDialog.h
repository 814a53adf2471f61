#pragma once

#include "MainDlg.h"
#include "Win32.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// The main dialog from the resource template IDD_MAIN: it routes the controls' notifications to
// CMainDlg and moves texts in and out. Every decision is CMainDlg's.
class CWinMainDialog final : public IMainView {
  public:
    CWinMainDialog(CTrackList& trackList, CTagConverter& converter);
    ~CWinMainDialog() override;
    CWinMainDialog(const CWinMainDialog&) = delete;
    CWinMainDialog& operator=(const CWinMainDialog&) = delete;

    // Shows the dialog and returns when it has closed; false when it could not be made.
    bool DoModal(HINSTANCE instance);

    void SetDlgItemText(int id, const std::string& text) override;
    std::string GetDlgItemText(int id) override;
    void EnableControl(int id, bool enable) override;
    void RunInBackground(std::function<void(const CShowText&)> work, std::function<void()> done) override;

  private:
    // What the worker has to tell the window's thread: its newest status text, and whether it has ended.
    struct CHandoff {
        std::optional<std::string> status;
        bool bEnded = false;
    };

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void OnCommand(int id, int code);
    void EndUnlessBusy();
    void HandOff(const std::function<void(CHandoff&)>& fill);
    void OnWorkerNews();
    void JoinWorker();

    CMainDlg m_dlg;
    HWND m_hWnd = nullptr;
    HWND m_hFocusBeforeBusy = nullptr;
    std::thread m_worker;
    std::function<void()> m_done;  // touched by the window's thread only
    std::mutex m_handoffMutex;
    CHandoff m_handoff;
};
