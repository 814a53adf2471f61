#pragma once

#include <string_view>

bool HasWildcard(std::string_view pattern);
// HasWildcard for a Windows path, whose long-path prefix \\?\ is no wildcard.
bool PathHasWildcard(std::string_view path);

// Matches a name against a pattern of * (any run) and ? (one character), without regard to the
// case of ASCII letters, the way Windows compares names. "*.*" matches every name.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
