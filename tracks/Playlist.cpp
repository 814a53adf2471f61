#include "Playlist.h"

#include "ByteOrderMark.h"

namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

std::int32_t CountEntries(std::span<const char> data) {
    std::int32_t count = 0;
    bool atLineStart = true;
    for (const char c : WithoutByteOrderMark(data)) {
        if (IsLineBreak(c)) {
            atLineStart = true;
            continue;
        }
        if (atLineStart && c != '#') {
            ++count;
        }
        atLineStart = false;
    }
    return count;
}

std::vector<std::int32_t> EntriesWithZeroBytes(std::span<const char> data) {
    std::vector<std::int32_t> numbers;
    std::int32_t number = 0;
    bool atLineStart = true;
    bool take = false;
    for (const char c : WithoutByteOrderMark(data)) {
        if (IsLineBreak(c)) {
            atLineStart = true;
            continue;
        }
        if (atLineStart) {
            take = c != '#';
            number += take ? 1 : 0;
        }
        atLineStart = false;
        if (take && c == '\0' && (numbers.empty() || numbers.back() != number)) {
            numbers.push_back(number);
        }
    }
    return numbers;
}

std::vector<std::int32_t> StoreEntries(std::span<const char> data, std::int32_t count, CEntryTable& table) {
    std::vector<std::int32_t> cutEntries;
    std::int32_t k = 0;
    std::size_t length = 0;
    bool atLineStart = true;
    bool take = false;
    bool cut = false;
    auto finishLine = [&] {
        if (length > 0) {
            table[static_cast<std::size_t>(k)][length] = '\0';
            if (cut) {
                cutEntries.push_back(k + 1);
            }
            ++k;
        }
        length = 0;
        cut = false;
    };
    for (const char c : WithoutByteOrderMark(data)) {
        if (k >= count) {
            break;
        }
        if (IsLineBreak(c)) {
            finishLine();
            atLineStart = true;
            continue;
        }
        if (atLineStart) {
            take = c != '#';
            atLineStart = false;
        }
        if (!take) {
            continue;
        }
        if (length + 1 < kEntrySize) {
            table[static_cast<std::size_t>(k)][length++] = c;
        } else {
            cut = true;
        }
    }
    if (k < count) {
        finishLine();
    }
    return cutEntries;
}
