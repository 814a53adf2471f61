#pragma once

#include "CliCommands.h"
#include "MainApp.h"

#include <iosfwd>
#include <optional>
#include <vector>

// Runs the dialog's logic on a console: the given commands, or else those read from `input`, printing
// the size and status fields at the start and whichever of them a command changed.
class CConsoleHost final : public IDialogHost {
  public:
    CConsoleHost(std::optional<std::vector<CCliCommand>> commands,
                 std::istream& input,
                 std::ostream& output,
                 std::ostream& errors)
        : m_commands(std::move(commands)), m_input(input), m_output(output), m_errors(errors) {}

    void RunModal(CTrackList& trackList, CTagConverter& converter) override;

    // 2 when a line read from the input was no command, else 0.
    int ExitCode() const { return m_exitCode; }

  private:
    std::optional<std::vector<CCliCommand>> m_commands;
    std::istream& m_input;
    std::ostream& m_output;
    std::ostream& m_errors;
    int m_exitCode = 0;
};
