#pragma once

// Path rules of the platform the tool runs on. Paths are UTF-8 on every system, used exactly as read; the
// Windows file layer hands them to the system's wide functions.

#include <optional>
#include <string>

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr bool kFileNamesAreBytes = false;  // UTF-16 names, always valid, given here as UTF-8
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kFileNamesAreBytes = true;  // any bytes but '/' and NUL: UTF-8 by custom, not always
#endif

// New content is written beside the file it will replace, under a name no "*.mp3" search matches.
inline constexpr const char* kTemporaryNamePattern = "*.kelvara-tmp";

// folder + separator + name; the separator is added even when the folder is empty.
std::string JoinPath(const std::string& folder, const std::string& name);

bool IsAbsolutePath(const std::string& path);

// The folder part of a path, with its trailing separator; empty when the path names no folder.
std::string FolderPrefix(const std::string& path);

// A new temporary neighbour of `path`, named for this process and never named twice by it: hidden on Linux,
// never matching "*.mp3". Two processes never share one, even where folder locks do not work.
std::string TemporaryPathFor(const std::string& path);
// The names TemporaryPathFor gives, in any process, for files named `name`.
std::string TemporaryNamePatternFor(const std::string& name);

// A relative path is taken relative to the folder of `base`; an absolute one stays as it is.
std::string ResolveAgainst(const std::string& baseFile, const std::string& path);
