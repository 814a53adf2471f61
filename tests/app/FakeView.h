#pragma once

#include "ControlIds.h"
#include "FaultyFileSystem.h"
#include "MainDlg.h"
#include "MainView.h"
#include "TempFolder.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Fields by control ID; commands run in place, noting what the window looked like meanwhile.
class CFakeView final : public IMainView {
  public:
    void SetDlgItemText(int id, const std::string& text) override { m_texts[id] = text; }
    std::string GetDlgItemText(int id) override { return m_texts[id]; }
    void EnableControl(int id, bool enable) override {
        enable ? void(m_disabled.erase(id)) : void(m_disabled.insert(id));
    }
    void RunInBackground(std::function<void(const CShowText&)> work, std::function<void()> done) override {
        m_disabledWhileRunning = m_disabled;
        work([this](const std::string& text) { m_progress.push_back(text); });
        done();
    }

    void EndDialog() override { ++m_ended; }

    std::map<int, std::string> m_texts;
    int m_ended = 0;
    std::set<int> m_disabled;
    std::set<int> m_disabledWhileRunning;
    std::vector<std::string> m_progress;
};

// The dialog's logic over a view, in a temporary working folder whose "Kelvara.ini" the test writes.
class CDialogTest : public CTempFolderTest {
  protected:
    // Constructs the track list (the start-up load) and the dialog, and opens it.
    void Start() {
        m_trackList = std::make_unique<CTrackList>(m_fs);
        m_dlg = std::make_unique<CMainDlg>(m_view, *m_trackList, m_converter, m_fs);
        EXPECT_TRUE(m_dlg->OnInitDialog());
    }
    std::string& Field(int id) { return m_view.m_texts[id]; }
    // Runs a command of the dialog; returns the status it leaves.
    std::string Run(void (CMainDlg::*command)()) {
        ((*m_dlg).*command)();
        return Field(IDC_STATUS);
    }

    CFaultyFileSystem m_fs;
    CFakeView m_view;
    CTagConverter m_converter{m_fs};
    std::unique_ptr<CTrackList> m_trackList;
    std::unique_ptr<CMainDlg> m_dlg;
};
