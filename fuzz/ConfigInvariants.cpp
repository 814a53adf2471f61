#include "ConfigInvariants.h"

#include "ConfigFile.h"
#include "EntryNumber.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <variant>
#include <vector>

namespace configcheck {
namespace {

using Broken = std::optional<std::string>;

// The bytes before the first separator in `rest`, which then keeps what follows that separator (or nothing).
std::string_view TakePiece(std::string_view& rest) {
    constexpr std::string_view kSeparator = "\n~~~~\n";
    const std::size_t at = rest.find(kSeparator);
    const std::string_view piece = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + kSeparator.size());
    return piece;
}

bool AscendingWithin(const std::vector<std::int32_t>& numbers, std::int32_t last) {
    return std::is_sorted(numbers.begin(), numbers.end()) &&
           std::all_of(numbers.begin(), numbers.end(), [last](std::int32_t n) { return n >= 1 && n <= last; });
}

// A refusal for a zero byte names the first line that holds one.
Broken CheckConfig(std::string_view ini) {
    const CConfig config = ParseConfig(std::vector<char>(ini.begin(), ini.end()));
    const auto holdsZero = [](const std::string& field) { return field.find('\0') != std::string::npos; };
    const int first = holdsZero(config.strOutDir) ? 1 : holdsZero(config.strPlaylist) ? 2 : 0;
    const int line = LineWithZeroByte(config);
    return line == first
               ? std::nullopt
               : Broken("line " + std::to_string(line) + " named for a zero byte, not line " + std::to_string(first));
}

// Every entry stored fits its slot, terminated, and no slot past them is written (compared with memcmp, not in a
// loop the fuzz build would instrument); the numbers reported lie within the playlist.
Broken CheckEntries(std::string_view playlist, std::int32_t total, CEntryTable& table, std::size_t reachable) {
    static const CEntryTable::value_type zeros{};
    const std::vector<char> bytes(playlist.begin(), playlist.end());  // exactly its size, for the sanitizer
    const std::int32_t count = std::min(total, kMaxEntries);
    if (!AscendingWithin(StoreEntries(bytes, count, table), count) ||
        !AscendingWithin(EntriesWithZeroBytes(bytes), total)) {
        return "an entry number reported lies outside the playlist or out of order";
    }
    for (std::size_t i = 0; i < reachable; ++i) {
        const auto& slot = table[i];
        if (i >= static_cast<std::size_t>(count) ? std::memcmp(slot.data(), zeros.data(), slot.size()) != 0
                                                 : slot.back() != '\0') {
            return "slot " + std::to_string(i + 1) + " of " + std::to_string(count) + " breaks its limits";
        }
    }
    return std::nullopt;
}

Broken CheckNumber(std::string_view text, std::int32_t count) {
    const auto result = EntryIndexFromText(std::string(text), count);
    const auto* index = std::get_if<std::int32_t>(&result);
    if (index != nullptr ? *index < 0 || *index >= count : !std::get<std::string>(result).starts_with("ERROR: ")) {
        return "a number text against count " + std::to_string(count) + " gives neither an entry nor an ERROR";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FindBrokenInvariant(std::span<const char> input, CEntryTable& table) {
    std::string_view rest(input.data(), input.size());
    const std::string_view ini = TakePiece(rest);
    const std::string_view playlist = TakePiece(rest);
    const std::int32_t total = CountEntries(std::vector<char>(playlist.begin(), playlist.end()));
    // Entries are stored one a line, so only these slots can have been written.
    const auto lines = static_cast<std::size_t>(
        std::count_if(playlist.begin(), playlist.end(), [](char c) { return c == '\n' || c == '\r'; }));
    const std::size_t reachable = std::min(lines + 1, static_cast<std::size_t>(kMaxEntries));
    Broken broken = total < 0 ? Broken("a negative count of entries") : CheckConfig(ini);
    broken = broken ? broken : CheckEntries(playlist, total, table, reachable);
    broken = broken ? broken : CheckNumber(rest, std::min(total, kMaxEntries));
    broken = broken ? broken : CheckNumber(rest, total);
    for (std::size_t i = 0; i < reachable; ++i) {
        table[i].fill('\0');  // whatever was found, the next input starts from an empty table again
    }
    return broken;
}

}  // namespace configcheck
