#include "ConsoleHost.h"

#include "ConsoleView.h"
#include "ControlIds.h"

#include <istream>
#include <ostream>

namespace {

// Prints the fields whose text differs from what was printed last.
class CFieldPrinter {
  public:
    CFieldPrinter(CConsoleView& view, std::ostream& output) : m_view(view), m_output(output) {}
    void PrintChanged() {
        for (std::size_t i = 0; i < std::size(kFields); ++i) {
            const std::string text = m_view.GetDlgItemText(kFields[i]);
            if (!m_printed[i] || text != m_last[i]) {
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

// False for exit.
bool Run(const CCliCommand& command, CMainDlg& dlg, CConsoleView& view) {
    switch (command.kind) {
        case ECliCommand::Copy:
        case ECliCommand::Delete:
            view.SetDlgItemText(IDC_NUMBER, command.strNumber);
            dlg.OnNumberChanged();
            command.kind == ECliCommand::Copy ? dlg.OnCopy() : dlg.OnDelete();
            return true;
        case ECliCommand::Reset:
            dlg.OnResetFiles();
            return true;
        case ECliCommand::Convert:
            dlg.OnEditId3();
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
    CFieldPrinter printer(view, m_output);
    dlg.OnInitDialog();
    printer.PrintChanged();
    auto runAll = [&](const std::vector<CCliCommand>& commands) {
        for (const CCliCommand& command : commands) {
            if (!Run(command, dlg, view)) {
                return false;
            }
            printer.PrintChanged();
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
