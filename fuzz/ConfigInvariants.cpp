#include "ConfigInvariants.h"

#include "ConfigFile.h"
#include "EntryNumber.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <variant>
#include <vector>

namespace configcheck {
namespace {

using Broken = std::optional<std::string>;
using Slot = CEntryTable::value_type;

constexpr std::size_t kMaxPathLength = kEntrySize - 1;
constexpr auto kTableSlots = static_cast<std::size_t>(kMaxEntries);

// Each piece reaches the function under test in a copy of exactly its size, so that the sanitizer sees any read
// past its end (in the input, the next separator would follow).
std::vector<char> Copy(std::string_view bytes) {
    return {bytes.begin(), bytes.end()};
}

// Searches go through memchr and memcmp rather than a loop over bytes: the fuzz build instruments every comparison
// in a loop, and a table check covers up to 20 MB.
bool HoldsLineBreak(std::string_view text) {
    return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos;
}

bool IsAllZeros(std::string_view bytes) {
    static const Slot zeros{};
    return bytes.size() <= zeros.size() && std::memcmp(bytes.data(), zeros.data(), bytes.size()) == 0;
}

// The bytes before the first separator in `rest`, which then keeps what follows that separator (or nothing).
std::string_view TakePiece(std::string_view& rest) {
    const std::size_t at = rest.find(kPieceSeparator);
    const std::string_view piece = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + kPieceSeparator.size());
    return piece;
}

// The reference reading of a text file, for the ini and the playlist alike: drop one UTF-8 byte-order mark at the
// very start, then cut at every CR and at every LF (so CR LF leaves an empty line between its two bytes). The text
// after the last break is a line too, empty when the text ends in a break.
std::vector<std::string_view> Lines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    lines.push_back(text.substr(start));
    return lines;
}

// The table slots a playlist of these lines can reach: entries are only ever stored one a line.
std::size_t ReachableSlots(const std::vector<std::string_view>& lines) {
    return std::min(lines.size() + 1, kTableSlots);
}

// The out folder and the playlist are the first two non-empty lines, byte for byte; missing ones are empty.
Broken CheckConfig(std::string_view ini) {
    const std::vector<char> bytes = Copy(ini);
    const CConfig config = ParseConfig(bytes);
    if (HoldsLineBreak(config.strOutDir) || HoldsLineBreak(config.strPlaylist)) {
        return "a configuration field holds a line break";
    }
    std::vector<std::string_view> fields;
    for (const std::string_view line : Lines(ini)) {
        if (!line.empty() && fields.size() < 2) {
            fields.push_back(line);
        }
    }
    fields.resize(2);
    if (config.strOutDir != fields[0]) {
        return "the out folder is not the first non-blank line of the ini";
    }
    if (config.strPlaylist != fields[1]) {
        return "the playlist is not the second non-blank line of the ini";
    }
    return std::nullopt;
}

// A stored entry holds its line's first bytes (at most kMaxPathLength), a terminator right after them and zeros
// to the slot's end. A NUL byte inside a line is an ordinary byte here: it is stored like any other.
Broken CheckStoredSlot(const Slot& slot, std::string_view line, std::size_t index) {
    const std::string_view bytes(slot.data(), slot.size());
    const auto name = [index] { return "entry " + std::to_string(index + 1); };  // made only when something fails
    if (bytes.find('\0') == std::string_view::npos) {
        return name() + " is not terminated within its slot";
    }
    if (bytes.front() == '#') {
        return name() + " is a comment line";
    }
    const std::string_view path = line.substr(0, kMaxPathLength);
    if (HoldsLineBreak(bytes.substr(0, path.size()))) {
        return name() + " holds a line break";
    }
    if (bytes.substr(0, path.size()) != path || bytes[path.size()] != '\0') {
        return name() + " is not its playlist line (cut to " + std::to_string(kMaxPathLength) + " bytes)";
    }
    if (!IsAllZeros(bytes.substr(path.size()))) {
        return name() + " has bytes after its terminator";
    }
    return std::nullopt;
}

// Digits only, at most kMaxNumberLength of them (leading zeros allowed and counted), with a value from 1 to
// `count`: the index is the value less one. Anything else has no index.
std::optional<std::int32_t> ExpectedIndex(std::string_view text, std::int32_t count) {
    if (text.empty() || text.size() > kMaxNumberLength ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const std::size_t first = text.find_first_not_of('0');
    if (first == std::string_view::npos || text.size() - first > 10) {
        return std::nullopt;  // zero, or more digits than any 32-bit count has
    }
    std::uint64_t value = 0;
    for (const char c : text.substr(first)) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (count < 1 || value > static_cast<std::uint64_t>(count)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value - 1);
}

Broken CheckNumber(std::string_view text, std::int32_t count) {
    const auto result = EntryIndexFromText(std::string(text), count);
    const auto name = [&] {
        return "a number text of " + std::to_string(text.size()) + " bytes against count " + std::to_string(count);
    };
    if (const auto expected = ExpectedIndex(text, count)) {
        const auto* index = std::get_if<std::int32_t>(&result);
        if (index == nullptr || *index != *expected) {
            return name() + " does not give index " + std::to_string(*expected);
        }
        return std::nullopt;
    }
    const auto* error = std::get_if<std::string>(&result);
    if (error == nullptr || !error->starts_with("ERROR:")) {
        return name() + " is not refused with an ERROR: text";
    }
    return std::nullopt;
}

Broken CheckPlaylistAndNumber(const std::vector<std::string_view>& lines,
                              std::string_view playlist,
                              std::string_view numberText,
                              CEntryTable& table) {
    std::vector<std::string_view> entries;
    entries.reserve(lines.size());
    for (const std::string_view line : lines) {
        if (!line.empty() && line.front() != '#') {
            entries.push_back(line);
        }
    }
    const std::vector<char> bytes = Copy(playlist);
    const std::int32_t total = CountEntries(bytes);
    if (total < 0 || static_cast<std::size_t>(total) != entries.size()) {
        return "counted " + std::to_string(total) + " entries instead of " + std::to_string(entries.size());
    }
    // As the track list does: the count is capped to the table. The number is checked against both counts.
    const std::int32_t count = std::min(total, kMaxEntries);
    const auto stored = static_cast<std::size_t>(count);
    const std::vector<std::int32_t> cut = StoreEntries(bytes, count, table);

    std::vector<std::int32_t> expectedCut;
    for (std::size_t i = 0; i < stored; ++i) {
        if (entries[i].size() > kMaxPathLength) {
            expectedCut.push_back(static_cast<std::int32_t>(i + 1));
        }
    }
    if (cut != expectedCut) {
        return "reported " + std::to_string(cut.size()) + " cut entries instead of the " +
               std::to_string(expectedCut.size()) + " longer than " + std::to_string(kMaxPathLength) + " bytes";
    }
    for (std::size_t i = 0; i < ReachableSlots(lines); ++i) {
        if (i < stored) {
            if (auto broken = CheckStoredSlot(table[i], entries[i], i)) {
                return broken;
            }
        } else if (!IsAllZeros(std::string_view(table[i].data(), table[i].size()))) {
            return "slot " + std::to_string(i + 1) + " past the " + std::to_string(stored) +
                   " stored entries is not empty";
        }
    }
    for (const std::int32_t numberCount : {count, total}) {
        if (auto broken = CheckNumber(numberText, numberCount)) {
            return broken;
        }
    }
    return std::nullopt;
}

}  // namespace

CInputPieces SplitInput(std::span<const char> input) {
    std::string_view rest(input.data(), input.size());
    CInputPieces pieces;
    pieces.ini = TakePiece(rest);
    pieces.playlist = TakePiece(rest);
    pieces.numberText = rest;
    return pieces;
}

std::optional<std::string> FindBrokenInvariant(std::span<const char> input, CEntryTable& table) {
    const CInputPieces pieces = SplitInput(input);
    if (auto broken = CheckConfig(pieces.ini)) {
        return broken;
    }
    const std::vector<std::string_view> lines = Lines(pieces.playlist);
    Broken broken = CheckPlaylistAndNumber(lines, pieces.playlist, pieces.numberText, table);
    // Whatever was found, the next input starts from an empty table again.
    for (std::size_t i = 0; i < ReachableSlots(lines); ++i) {
        table[i].fill('\0');
    }
    return broken;
}

}  // namespace configcheck
