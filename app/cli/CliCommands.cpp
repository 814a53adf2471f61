#include "CliCommands.h"

#include <algorithm>
#include <sstream>

namespace {

bool IsNumber(const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<std::vector<CCliCommand>> ParseCliCommands(const std::vector<std::string>& words) {
    std::vector<CCliCommand> commands;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "copy" || word == "delete" || word == "show") {
            if (i + 1 >= words.size() || !IsNumber(words[i + 1])) {
                return std::nullopt;
            }
            const ECliCommand kind =
                word == "copy" ? ECliCommand::Copy : (word == "delete" ? ECliCommand::Delete : ECliCommand::Show);
            commands.push_back({kind, words[++i]});
        } else if (word == "list") {
            commands.push_back({ECliCommand::List, {}});
        } else if (word == "reset") {
            commands.push_back({ECliCommand::Reset, {}});
        } else if (word == "convert") {
            commands.push_back({ECliCommand::Convert, {}});
        } else if (word == "exit") {
            commands.push_back({ECliCommand::Exit, {}});
        } else {
            return std::nullopt;
        }
    }
    return commands;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}
