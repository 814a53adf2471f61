#include "ConsoleHost.h"

#include "ConsoleView.h"
#include "ControlIds.h"

#include <atomic>
#include <csignal>
#include <istream>
#include <ostream>

namespace {

// Ctrl+C or a request to end the process: the command at work stops after the song in hand, and no command
// follows, so that every song is left old or new.
std::atomic<CMainDlg*> g_running{nullptr};

// Between commands nothing is being written, and the process ends as it would without the handler.
extern "C" void StopRunningCommand(int signal) {
    CMainDlg* dlg = g_running.load();
    if (dlg != nullptr && dlg->IsBusy()) {
        dlg->RequestStop();
        return;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Handles the signals for as long as the dialog lives.
class CStopOnSignals {
  public:
    explicit CStopOnSignals(CMainDlg& dlg) {
        g_running = &dlg;
        std::signal(SIGINT, StopRunningCommand);
        std::signal(SIGTERM, StopRunningCommand);
    }
    ~CStopOnSignals() {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        g_running = nullptr;
    }
    CStopOnSignals(const CStopOnSignals&) = delete;
    CStopOnSignals& operator=(const CStopOnSignals&) = delete;
};

// Prints the size field when its text differs from what was printed last, and the status after every
// command, even when it says what it said before: each command's outcome is seen.
class CFieldPrinter {
  public:
    CFieldPrinter(CConsoleView& view, std::ostream& output) : m_view(view), m_output(output) {}
    void PrintChanged() {
        for (std::size_t i = 0; i < std::size(kFields); ++i) {
            const std::string text = m_view.GetDlgItemText(kFields[i]);
            if (!m_printed[i] || text != m_last[i] || kFields[i] == IDC_STATUS) {
                m_output << text << '\n';
                m_last[i] = text;
                m_printed[i] = true;
            }
        }
        m_output.flush();
    }

  private:
    static constexpr int kFields[] = {IDC_OUT_SIZE, IDC_STATUS};
    CConsoleView& m_view;
    std::ostream& m_output;
    std::string m_last[2];
    bool m_printed[2] = {false, false};
};

// Every entry as "N: path", one a line.
void ListEntries(const CTrackList& trackList, std::ostream& output) {
    for (std::int32_t number = 1; number <= trackList.Count(); ++number) {
        output << trackList.EntryLine(number) << '\n';
    }
}

// False for exit.
bool Run(const CCliCommand& command, CMainDlg& dlg, CConsoleView& view) {
    switch (command.kind) {
        case ECliCommand::Copy:
        case ECliCommand::Delete:
        case ECliCommand::Show:
            view.SetDlgItemText(IDC_NUMBER, command.strNumber);
            dlg.OnNumberChanged();
            if (command.kind != ECliCommand::Show) {
                command.kind == ECliCommand::Copy ? dlg.OnCopy() : dlg.OnDelete();
            }
            return true;
        case ECliCommand::List:  // printed by the host
            return true;
        case ECliCommand::Reset:
            dlg.OnResetFiles();
            return true;
        case ECliCommand::Convert:
            dlg.ConvertAllTags();
            return true;
        case ECliCommand::Exit:
            break;
    }
    return false;
}

}  // namespace

void CConsoleHost::RunModal(CTrackList& trackList, CTagConverter& converter) {
    CConsoleView view;
    CMainDlg dlg(view, trackList, converter);
    const CStopOnSignals stopOnSignals(dlg);
    CFieldPrinter printer(view, m_output);
    dlg.OnInitDialog();
    printer.PrintChanged();
    auto runAll = [&](const std::vector<CCliCommand>& commands) {
        for (const CCliCommand& command : commands) {
            if (command.kind == ECliCommand::List) {
                ListEntries(trackList, m_output);
                continue;
            }
            if (!Run(command, dlg, view)) {
                return false;
            }
            printer.PrintChanged();
            if (dlg.StopRequested()) {
                m_exitCode = 130;  // as a shell reports a command ended by Ctrl+C
                return false;
            }
        }
        return true;
    };
    if (m_commands) {
        runAll(*m_commands);
        return;
    }
    for (std::string line; std::getline(m_input, line);) {
        const auto commands = ParseCliCommands(SplitWords(line));
        if (!commands) {
            m_errors << kCliUsage << '\n';
            m_exitCode = 2;
        } else if (!runAll(*commands)) {
            return;
        }
    }
}
