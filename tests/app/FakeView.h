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

// The dialog's logic over a view, opened in a temporary working folder: songs a.mp3 and b.mp3 (1.5 MB each) listed
// in list.m3u, out folder "out".
class CDialogTest : public CTempFolderTest {
  protected:
    void SetUp() override {
        CTempFolderTest::SetUp();
        WriteFileBytes("a.mp3", std::string(3 << 19, 'a'));
        WriteFileBytes("b.mp3", std::string(3 << 19, 'b'));
        WriteFileBytes("list.m3u", "a.mp3\nb.mp3\n");
        WriteFileBytes("Kelvara.ini", "out\nlist.m3u\n");
        m_trackList = std::make_unique<CTrackList>(m_fs);  // the start-up load
        m_dlg = std::make_unique<CMainDlg>(m_view, *m_trackList, m_converter, m_fs);
        EXPECT_TRUE(m_dlg->OnInitDialog());
    }
    std::string& Field(int id) { return m_view.m_texts[id]; }
    // Runs a command of the dialog; returns the status it leaves.
    std::string Run(void (CMainDlg::*command)()) {
        ((*m_dlg).*command)();
        return Field(IDC_STATUS);
    }
    // The status the number shows as it is typed.
    std::string Type(const std::string& number) {
        m_view.SetDlgItemText(IDC_NUMBER, number);
        m_dlg->OnNumberChanged();
        return Field(IDC_STATUS);
    }

    CFaultyFileSystem m_fs;
    CFakeView m_view;
    CTagConverter m_converter{m_fs};
    std::unique_ptr<CTrackList> m_trackList;
    std::unique_ptr<CMainDlg> m_dlg;
};
