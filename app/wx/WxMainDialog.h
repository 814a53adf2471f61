#pragma once

#include "MainDlg.h"
#include "Worker.h"

#include <wx/dialog.h>

class wxButton;

// The main dialog as a wxWidgets window: it creates the controls, routes their events to CMainDlg and
// moves texts in and out. Every decision is CMainDlg's.
class CWxMainDialog final : public wxDialog, public IMainView {
  public:
    CWxMainDialog(CTrackList& trackList, CTagConverter& converter);
    ~CWxMainDialog() override;

    void SetDlgItemText(int id, const std::string& text) override;
    std::string GetDlgItemText(int id) override;
    void EnableControl(int id, bool enable) override;
    void RunInBackground(std::function<void(const CShowText&)> work, std::function<void()> done) override;

  private:
    void CreateControls();
    void RouteEvents();
    void EndDialog() override;

    CMainDlg m_dlg;
    wxButton* m_exit = nullptr;
    wxWindow* m_focusBeforeBusy = nullptr;
    CWorker m_worker;
};
