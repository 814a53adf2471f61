// kelvara-cli: the main dialog's commands for scripts and for machines without a display.

#include "ConsoleHost.h"
#include "KelvaraVersion.h"
#include "SystemCodePage.h"

#include <iostream>

int main(int argc, char** argv) {
    PrintUtf8ToTheConsole();  // every text is UTF-8, on every system
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.size() == 1 && (words[0] == "--help" || words[0] == "-h")) {
        std::cout << kCliUsage << '\n';
        return 0;
    }
    if (words.size() == 1 && words[0] == "--version") {
        std::cout << "kelvara-cli " << KELVARA_VERSION << '\n';
        return 0;
    }
    std::optional<std::vector<CCliCommand>> commands;
    if (!words.empty()) {
        // Checked before anything is loaded, so a typing error leaves the log as it was.
        commands = ParseCliCommands(words);
        if (!commands) {
            std::cerr << kCliUsage << '\n';
            return 2;
        }
    }
    CConsoleHost host(std::move(commands), std::cin, std::cout, std::cerr);
    CMainApp app(host);
    app.InitInstance();
    return host.ExitCode();
}
