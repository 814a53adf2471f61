#include "EntryNumber.h"

#include <algorithm>
#include <limits>

std::variant<std::int32_t, std::string> EntryIndexFromText(const std::string& text, std::int32_t count) {
    if (text.empty()) {
        return std::string("ERROR: no number");
    }
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return "ERROR: not a number: " + text;
    }
    if (text.size() > kMaxNumberLength) {
        return std::string("ERROR: too big number");
    }
    std::int64_t value = 0;
    for (const char c : text) {
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return std::string("ERROR: too big number");
        }
    }
    if (value == 0) {
        return std::string("ERROR: too small number");
    }
    if (value > count) {
        return std::string("ERROR: too big number");
    }
    return static_cast<std::int32_t>(value - 1);
}
