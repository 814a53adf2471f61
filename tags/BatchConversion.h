#pragma once

#include "FileSystem.h"
#include "TagConverter.h"

#include <atomic>
#include <functional>
#include <string>

// Texts shown while a long command runs.
using CShowProgress = std::function<void(const std::string& text)>;

// Converts every MP3 file directly in outDir (names compared without regard to case, in the order the
// search gives them, each once) and returns the text for the status field: the last file's status, or
// why nothing was converted. The folder is locked against other Kelvara processes for the whole run; under
// the lock, temporary files a crash left behind are removed first. Links and special files are left alone.
// Once `stop` is set (from any thread, or a signal handler), the run ends after the song in hand.
std::string ConvertFolder(CTagConverter& converter,
                          IFileSystem& fs,
                          const std::string& outDir,
                          const CShowProgress& showProgress,
                          const std::atomic<bool>* stop = nullptr);
