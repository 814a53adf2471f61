#pragma once

#include "MainDlg.h"
#include "Win32.h"
#include "Worker.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

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
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void OnCommand(int id, int code);
    void EndDialog() override;
    void Post(CWorker::CCall call);
    void OnPostedCalls();

    CMainDlg m_dlg;
    HWND m_hWnd = nullptr;
    HWND m_hFocusBeforeBusy = nullptr;
    std::mutex m_postedMutex;
    std::vector<CWorker::CCall> m_posted;  // calls the worker left for the window's thread
    CWorker m_worker;
};
