#include "TrackList.h"

#include "ActivityLog.h"
#include "ConfigFile.h"
#include "EntryNumber.h"
#include "Path.h"
#include "SystemError.h"
#include "TextAsUtf8.h"
#include "WholeFile.h"
#include "Wildcard.h"

#include <algorithm>
#include <variant>

CTrackList::CTrackList() : CTrackList(DefaultFileSystem()) {}

namespace {

std::string CutEntryText(std::int32_t number) {
    return "ERROR: playlist entry " + std::to_string(number) + " is longer than " + std::to_string(kEntrySize - 1) +
           " bytes and was cut";
}

}  // namespace

CTrackList::CTrackList(IFileSystem& fileSystem) : m_fs(fileSystem) {
    Load();
    const std::string logProblem = LogStartProblem(StartLog());
    if (!logProblem.empty()) {
        // Said once, at start-up; a failed load keeps its own error in front.
        m_strStatus = m_strStatus.starts_with("ERROR:") ? m_strStatus + "; " + logProblem : logProblem;
    }
    LogCutEntries();  // the start-up load's own lines went with the emptied log, but these must be seen
}

void CTrackList::LogCutEntries() {
    for (const std::int32_t number : m_cutEntries) {
        WriteLog(CutEntryText(number));
    }
}

void CTrackList::WriteLog(std::string text) {
    AppendLogLine(text);
}

void CTrackList::Report(std::string text) {
    m_strStatus = std::move(text);
    WriteLog(m_strStatus);
}

void CTrackList::Load() {
    std::vector<char> playlist;
    std::string playlistPath;
    if (!ReadConfigAndPlaylist(playlist, playlistPath)) {
        return;
    }
    const std::int32_t total = StorePlaylist(playlist, playlistPath);
    m_fs.CreateFolder(m_strOutDir);  // an existing folder is fine
    std::string status = "OUT DIR:" + m_strOutDir;
    if (total > kMaxEntries) {
        status += " (only the first " + std::to_string(kMaxEntries) + " of the playlist's " + std::to_string(total) +
                  " entries were loaded)";
    }
    Report(status);
}

bool CTrackList::ReadConfigAndPlaylist(std::vector<char>& playlist, std::string& playlistPath) {
    std::vector<char> ini;
    switch (ReadWholeFile(m_fs, kIniFileName, ini)) {
        case EReadResult::OpenFailed:
            Report("ERROR: Could not open file INI_FILE");
            return false;
        case EReadResult::ReadFailed:
            m_strStatus = "ERROR: reading: INI_FILE";  // a status without a log line
            return false;
        case EReadResult::Ok:
            break;
    }
    CConfig config = ParseConfig(TextAsUtf8(ini, false).data);
    if (const int line = LineWithZeroByte(config)) {
        m_strOutDir.clear();  // as without an out folder: no command acts until the file is mended
        Report(std::string("ERROR: ") + kIniFileName + " line " + std::to_string(line) + " holds a zero byte");
        return false;
    }
    m_strOutDir = config.strOutDir;
    playlistPath = std::move(config.strPlaylist);
    switch (ReadWholeFile(m_fs, playlistPath, playlist)) {
        case EReadResult::OpenFailed:
            Report("ERROR: Could not open .m3u file");
            return false;
        case EReadResult::ReadFailed:
            Report("ERROR: reading: .m3u file");
            return false;
        case EReadResult::Ok:
            break;
    }
    return true;
}

std::int32_t CTrackList::StorePlaylist(const std::vector<char>& raw, const std::string& playlistPath) {
    const CDecodedPlaylist decoded = TextAsUtf8(raw, MatchesWildcard("*.m3u8", playlistPath));
    const std::vector<char>& data = decoded.data;
    m_unnameable = decoded.unnameable;
    if (m_nCount != 0) {
        for (auto& entry : m_aszFiles) {
            entry.fill('\0');
        }
    }
    const std::int32_t total = CountEntries(data);
    m_nCount = std::min(total, kMaxEntries);
    m_strPlaylist = playlistPath;
    m_cutEntries = StoreEntries(data, m_nCount, m_aszFiles);
    const std::vector<std::int32_t> zeroBytes = EntriesWithZeroBytes(data);
    m_unnameable.insert(m_unnameable.end(), zeroBytes.begin(), zeroBytes.end());
    LogCutEntries();
    return total;
}

std::variant<std::int32_t, std::string> CTrackList::IndexOrError(const std::string& numberText) const {
    auto index = EntryIndexFromText(numberText, m_nCount);
    if (std::holds_alternative<std::string>(index)) {
        return index;
    }
    // Without an out folder the target would be the root folder.
    if (m_strOutDir.empty()) {
        return std::string("ERROR: no out folder is configured");
    }
    // A cut path may name another, existing file.
    const std::int32_t number = std::get<std::int32_t>(index) + 1;
    if (std::find(m_cutEntries.begin(), m_cutEntries.end(), number) != m_cutEntries.end()) {
        return CutEntryText(number);
    }
    if (std::find(m_unnameable.begin(), m_unnameable.end(), number) != m_unnameable.end()) {
        return "ERROR: playlist entry " + std::to_string(number) +
               " holds a character this system cannot use in a file name";
    }
    // Where no name holds * or ?, the entry could only be a pattern, which might name any file.
    if (!FileNamesMayHoldWildcards() && PathHasWildcard(m_aszFiles[static_cast<std::size_t>(number - 1)].data())) {
        return "ERROR: playlist entry " + std::to_string(number) + " holds a wildcard";
    }
    return index;
}

std::optional<std::int32_t> CTrackList::CheckedIndex(const std::string& numberText) {
    const auto index = IndexOrError(numberText);
    if (const auto* error = std::get_if<std::string>(&index)) {
        Report(*error);
        return std::nullopt;
    }
    return std::get<std::int32_t>(index);
}

std::string CTrackList::DescribeEntry(const std::string& numberText) const {
    const auto index = IndexOrError(numberText);
    if (const auto* error = std::get_if<std::string>(&index)) {
        return *error;
    }
    return EntryLine(std::get<std::int32_t>(index) + 1);
}

std::string CTrackList::EntryLine(std::int32_t number) const {
    return std::to_string(number) + ": " + m_aszFiles[static_cast<std::size_t>(number - 1)].data();
}

// Beside the playlist first, as M3U players look; a relative entry that is not there is looked for in the
// working folder, beside "Kelvara.ini", where setups made for that rule keep their songs.
std::optional<CTrackList::CSource> CTrackList::FindSource(std::int32_t index) {
    const std::string entry = m_aszFiles[static_cast<std::size_t>(index)].data();
    const std::string besidePlaylist = ResolveAgainst(m_strPlaylist, entry);
    const auto found = m_fs.FindEntry(besidePlaylist);
    const bool alsoHere = besidePlaylist != entry && !IsAbsolutePath(entry);
    const auto foundHere = alsoHere ? m_fs.FindEntry(entry) : std::nullopt;
    if (found && foundHere &&
        !IsSameFile(FolderPrefix(besidePlaylist) + found->strName, FolderPrefix(entry) + foundHere->strName)) {
        WriteLog("warning: playlist entry " + std::to_string(index + 1) + " (" + entry +
                 ") is both beside the playlist and in the working folder; the one beside the playlist is used");
    }
    if (found) {
        return CSource{FolderPrefix(besidePlaylist) + found->strName, found->strName};
    }
    if (foundHere) {
        return CSource{FolderPrefix(entry) + foundHere->strName, foundHere->strName};
    }
    return std::nullopt;
}

// The out folder's file is the entry's source itself (reached through the playlist's own folder, or a
// link), not a copy of it.
bool CTrackList::IsSameFile(const std::string& source, const std::string& target) {
    const auto sourceInfo = m_fs.InfoOf(source, true);
    const auto targetInfo = m_fs.InfoOf(target, false);
    return sourceInfo && targetInfo && sourceInfo->id == targetInfo->id;
}

// The opening COPY and DELETE share: the number names an entry, no other Kelvara works in the out folder, and
// the entry's file is found. Otherwise says why, and the command ends there.
std::optional<CTrackList::CCommandStart> CTrackList::StartCommand(const std::string& numberText) {
    const auto index = CheckedIndex(numberText);
    if (!index) {
        return std::nullopt;
    }
    CFolderLock lock = LockFolderForCommand(m_fs, m_strOutDir);
    if (lock.bBusy) {
        Report(BusyFolderText(m_strOutDir));
        return std::nullopt;
    }
    std::string entry = m_aszFiles[static_cast<std::size_t>(*index)].data();
    auto source = FindSource(*index);
    if (!source) {
        // Shown too: an older success in the status would make it look done.
        Report("ERROR: file not found: " + entry);
        return std::nullopt;
    }
    std::string target = JoinPath(m_strOutDir, source->strName);
    return CCommandStart{std::move(lock), std::move(entry), std::move(*source), std::move(target)};
}

void CTrackList::CopyByNumber(std::string numberText) {
    const auto start = StartCommand(numberText);
    if (!start) {
        return;
    }
    if (start->lock.pHold) {
        RemoveLeftoverTemporaries(m_fs, m_strOutDir, start->source.strName);  // of an earlier copy that was killed
    }
    if (IsSameFile(start->source.strPath, start->strTarget)) {
        Report("ERROR: " + start->strTarget + " is the playlist's own file; nothing copied");
        return;
    }
    if (CFileError error; !CopyWhole(m_fs, start->source.strPath, start->strTarget, error)) {
        Report("ERROR: could not copy " + start->strEntry + " to " + start->strTarget + ": " + error.strReason);
        return;
    }
    Report("FILE (" + numberText + ") COPIED:" + start->source.strName);
}

void CTrackList::DeleteByNumber(std::string numberText) {
    const auto start = StartCommand(numberText);
    if (!start) {
        return;
    }
    if (IsSameFile(start->source.strPath, start->strTarget)) {
        Report("ERROR: " + start->strTarget + " is the playlist's own file, not a copy; nothing deleted");
        return;
    }
    if (CFileError error; m_fs.Delete(start->strTarget, error) == EDeleteResult::Failed) {
        Report("ERROR: could not delete " + start->strTarget + ": " + error.strReason);
        return;
    }
    Report("FILE (" + numberText + ") DELETED:" + start->source.strName);
}
