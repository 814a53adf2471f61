#pragma once

#include "FileSystem.h"
#include "Playlist.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The out folder and the numbered playlist table, with the copy and delete commands that work on them.
// One lives for the whole process (the table alone is 20 MB, so it belongs in static storage).
class CTrackList {
  public:
    // Loads configuration and playlist, then starts the activity log afresh (see StartLog).
    CTrackList();
    explicit CTrackList(IFileSystem& fileSystem);
    CTrackList(const CTrackList&) = delete;
    CTrackList& operator=(const CTrackList&) = delete;

    // Reads "Kelvara.ini" and the playlist it names, and makes sure the out folder exists.
    void Load();
    // numberText is the entry number as typed; it appears as typed in the status.
    void CopyByNumber(std::string numberText);
    void DeleteByNumber(std::string numberText);
    void WriteLog(std::string text);
    // Which entry a number names, as the playlist has it ("5: D:\Music\Song.mp3"), or the error COPY would
    // give for it; for showing before acting, so nothing is logged.
    std::string DescribeEntry(const std::string& numberText) const;
    // "N: path" of entry N (from 1 to m_nCount).
    std::string EntryLine(std::int32_t number) const;

    std::int32_t Count() const { return m_nCount; }
    const std::string& OutDir() const { return m_strOutDir; }
    // The last command's status text.
    const std::string& Status() const { return m_strStatus; }

  private:
    std::int32_t m_nCount = 0;
    CEntryTable m_aszFiles{};
    std::string m_strOutDir;
    std::string m_strStatus;
    // The playlist the table came from: relative entries are looked for beside it first.
    std::string m_strPlaylist;

    void Report(std::string text);
    bool ReadConfigAndPlaylist(std::vector<char>& playlist, std::string& playlistPath);
    // Returns the number of entries the playlist holds, stored or not.
    std::int32_t StorePlaylist(const std::vector<char>& data, const std::string& playlistPath);
    std::variant<std::int32_t, std::string> IndexOrError(const std::string& numberText) const;
    std::optional<std::int32_t> CheckedIndex(const std::string& numberText);
    // An entry's file as found: its path, and its name as stored (the list may spell it in another case).
    struct CSource {
        std::string strPath;
        std::string strName;
    };
    std::optional<CSource> FindSource(std::int32_t index);
    // What a COPY or DELETE works on, the out folder's lock held while it does.
    struct CCommandStart {
        CFolderLock lock;
        std::string strEntry;  // as the playlist has it
        CSource source;
        std::string strTarget;  // the entry's place in the out folder
    };
    std::optional<CCommandStart> StartCommand(const std::string& numberText);
    bool IsSameFile(const std::string& source, const std::string& target);
    void LogCutEntries();

    IFileSystem& m_fs;
    std::vector<std::int32_t> m_cutEntries;  // numbers of the entries cut to fit the table
    std::vector<std::int32_t> m_unnameable;  // numbers of the entries the system cannot spell as a path
};
