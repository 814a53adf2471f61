#pragma once

#include <optional>
#include <string>
#include <vector>

enum class ECliCommand { Copy, Delete, Show, List, Reset, Convert, Exit };

struct CCliCommand {
    ECliCommand kind;
    std::string strNumber;  // for copy, delete and show: digits, as the number field takes them
};

inline constexpr const char* kCliUsage =
    "usage: kelvara-cli [copy N | delete N | show N | list | reset | convert]... "
    "(without commands they are read from standard input, one per line, until end of input or exit); "
    "kelvara-cli --version";

// nullopt when any word is no command or a number is missing or holds anything but digits.
std::optional<std::vector<CCliCommand>> ParseCliCommands(const std::vector<std::string>& words);

std::vector<std::string> SplitWords(const std::string& line);
