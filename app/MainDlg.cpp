#include "MainDlg.h"

#include "ActivityLog.h"
#include "BatchConversion.h"
#include "ControlIds.h"
#include "Path.h"

#include <cstdint>
#include <exception>
#include <memory>

CMainDlg::CMainDlg(IMainView& view, CTrackList& trackList, CTagConverter& converter, IFileSystem& fileSystem)
    : m_view(view), m_trackList(trackList), m_converter(converter), m_fs(fileSystem) {}

bool CMainDlg::OnInitDialog() {
    UpdateOutDirSize();
    m_view.SetDlgItemText(IDC_STATUS, m_trackList.Status());
    return true;
}

// The user sees which song a number names before acting on it. An empty field (as every command leaves
// it) keeps the status, so that the status after a command is that command's own.
void CMainDlg::OnNumberChanged() {
    m_strNumber = m_view.GetDlgItemText(IDC_NUMBER);
    if (!m_strNumber.empty() && !m_bBusy) {
        m_view.SetDlgItemText(IDC_STATUS, m_trackList.DescribeEntry(m_strNumber));
    }
}

void CMainDlg::EnableCommands(bool enable) {
    for (const int id : {IDC_NUMBER, IDC_COPY, IDC_DELETE, IDC_EDIT_ID3, IDC_RESET_FILES}) {
        m_view.EnableControl(id, enable);
    }
}

// One command at a time, whatever the view's buttons allow. A command that throws (say, out of memory on a
// huge tag) ends in an ERROR status and log line, not in the end of the process.
void CMainDlg::RunCommand(std::function<void(const IMainView::CShowText&)> work, std::function<void()> then) {
    if (m_bBusy) {
        return;
    }
    m_bBusy = true;
    EnableCommands(false);
    auto failure = std::make_shared<std::string>();
    m_view.RunInBackground(
        [work = std::move(work), failure](const IMainView::CShowText& showStatus) {
            try {
                work(showStatus);
            } catch (const std::exception& error) {
                *failure = std::string("ERROR: the command failed: ") + error.what();
                AppendLogLine(*failure);
            }
        },
        [this, then = std::move(then), failure] {
            if (failure->empty()) {
                then();
            } else {
                m_view.SetDlgItemText(IDC_STATUS, *failure);
            }
            EnableCommands(true);
            m_bBusy = false;
            if (m_bEndWhenDone) {
                m_view.EndDialog();
            }
        });
}

bool CMainDlg::OnExit() {
    if (!m_bBusy) {
        return true;
    }
    RequestStop();
    m_bEndWhenDone = true;
    return false;
}

void CMainDlg::ByNumber(const char* verb, void (CTrackList::*command)(std::string)) {
    const std::string number = m_strNumber;
    RunCommand(
        [this, verb, command, number](const IMainView::CShowText& showStatus) {
            showStatus(std::string(verb) + " (" + number + ") ...");
            (m_trackList.*command)(number);
        },
        [this] {
            m_view.SetDlgItemText(IDC_STATUS, m_trackList.Status());
            m_view.SetDlgItemText(IDC_NUMBER, "");
            m_strNumber.clear();
            UpdateOutDirSize();
        });
}

void CMainDlg::OnCopy() {
    ByNumber("COPY", &CTrackList::CopyByNumber);
}

void CMainDlg::OnDelete() {
    ByNumber("DELETE", &CTrackList::DeleteByNumber);
}

void CMainDlg::OnResetFiles() {
    RunCommand([this](const IMainView::CShowText&) { m_trackList.Load(); },
               [this] {
                   m_view.SetDlgItemText(IDC_STATUS, m_trackList.Status());
                   UpdateOutDirSize();  // the out folder may be another one now
               });
}

void CMainDlg::ConvertAllTags() {
    auto status = std::make_shared<std::string>();
    RunCommand(
        [this, status, outDir = m_trackList.OutDir()](const IMainView::CShowText& showStatus) {
            *status = ConvertFolder(m_converter, m_fs, outDir, showStatus, &m_bStop);
        },
        [this, status] { m_view.SetDlgItemText(IDC_STATUS, *status); });
}

// Sizes add up in 64 bits, so a folder of 2 GB or more shows its true size.
void CMainDlg::UpdateOutDirSize() {
    std::uint64_t total = 0;
    if (const auto matches = m_fs.Find(JoinPath(m_trackList.OutDir(), "*.*"))) {
        for (const CFindData& match : *matches) {
            total += match.nSize;
        }
    }
    m_view.SetDlgItemText(IDC_OUT_SIZE, "OUT DIR SIZE: " + std::to_string(total / 1048576) + "MB");
}
