#pragma once

#include "FileSystem.h"
#include "JobLanes.h"
#include "TagText.h"
#include "TemporaryFile.h"

#include <array>
#include <cstdint>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Rewrites one MP3 file at a time: title and artist from its old tag (or its name), in Latin capitals,
// as a minimal ID3v2.3 tag followed by the unchanged audio. One lives for the whole process.
//
// The new content goes to a temporary neighbour that replaces the file only once it is complete and on
// the disk, so a failure or a crash at any moment leaves the old song intact. The audio is never read
// into memory: it is copied from the old file to the new one by the system.
class CTagConverter {
  public:
    CTagConverter();
    explicit CTagConverter(IFileSystem& fileSystem);
    CTagConverter(const CTagConverter&) = delete;
    CTagConverter& operator=(const CTagConverter&) = delete;

    // fullPath names the file; fileName is its bare name, as the folder search found it. The outcome is
    // in Status(), HasError() and the activity log.
    void ConvertFile(std::string fullPath, std::string fileName);
    enum class EOutcome { Converted, AlreadyConverted, Empty, Failed };
    // Instead of ConvertFile, for an entry that is a link or a special file: it is left exactly as it is, and
    // the reason is logged as a failure.
    void LeaveUnconverted(const std::string& fullPath, EFileKind kind);
    void WriteLog(std::string text);

    // While one lives, songs are written in groups: the new contents of a group are written to their
    // temporary files and their write-back is started together, then each is flushed and replaces its song, in
    // the order the songs were taken. The disk then writes a group at once instead of waiting on every song.
    // The audio copies run on kCopyLanes threads while the calling thread reads the next songs' tags, and a full
    // group is flushed and put in place on a second thread while the next group is written. A song's
    // outcome (Status(), HasError(), Count(), its log lines) is known once its group is done: at Finish(), when
    // a song of another folder comes, or at the batch's end. Only the thread that owns the batch calls it.
    //
    // Each song's old content is also kept in a temporary file and a later song of the same folder is written
    // over it, instead of freeing the old blocks and taking new ones for every song: far less work for the
    // disk. Up to `keep` such files are kept, so that one flush of the folder frees that many for reuse; fewer
    // when they already hold kKeptBytes, so that large songs take little more room on a nearly full stick. The
    // same bounds make a group. The kept files are removed when the batch ends.
    static constexpr std::size_t kKeptPerFolderFlush = 64;
    static constexpr std::uint64_t kKeptBytes = std::uint64_t{64} << 20;
    // The audio of the songs taken is copied on this many threads while the calling thread reads the next songs.
    static constexpr std::size_t kCopyLanes = 2;
    class CBatch {
      public:
        explicit CBatch(CTagConverter& converter, std::size_t keep = kKeptPerFolderFlush) : m_converter(converter) {
            m_converter.m_lanes.emplace(kCopyLanes);
            m_converter.m_nLastCopy = 0;
            m_converter.m_nKeep = keep;
            m_converter.m_outcomes = {};
        }
        CBatch(const CBatch&) = delete;
        CBatch& operator=(const CBatch&) = delete;
        // An exception of the completing thread not yet passed on by Finish is dropped with the batch.
        // Songs that cannot be completed here (an allocation failing while an exception unwinds) stay as they
        // were: their new content is deleted with them.
        ~CBatch() {
            try {
                m_converter.CompleteGroup();
            } catch (...) {
                m_converter.ClearGroup();
            }
            m_converter.m_lanes.reset();
            m_converter.DropSpare();
        }
        // Settles every song taken so far; passes on an exception the completing thread met.
        void Finish() {
            m_converter.CompleteGroup();
            m_converter.RethrowCompletionError();
        }
        // How many songs of the batch settled with the outcome.
        std::size_t Count(EOutcome outcome) const { return m_converter.m_outcomes[static_cast<std::size_t>(outcome)]; }

      private:
        CTagConverter& m_converter;
    };
    ~CTagConverter() {
        JoinCompletion();
        DropSpare();
    }

    // The last settled file's status text ("ID3 EDITED - ...", "Size of: ...is 0", or empty after a failure).
    const std::string& Status() const { return m_strStatus; }
    // Whether the last settled file failed.
    bool HasError() const { return m_bError; }

  private:
    // The steps of one file, valid only in this order, within ConvertFile.
    // Finds the pieces and reads the file's ID3v1 block and a small ID3v2 block; the audio stays on the disk.
    void SplitFile();
    // Replaces the old tag blocks by the new tag.
    void BuildTagV2();

    CFileHandle m_hIn;
    CFileHandle m_hOut;
    std::int32_t m_nFileSize = 0;
    std::int32_t m_nTagV2Size = 0;  // the old block's; after BuildTagV2 the new tag's
    std::int32_t m_nTagV1Size = 0;
    std::int32_t m_nAudioSize = 0;
    std::int32_t m_nAudioOffset = 0;  // where the audio starts in the old file
    std::vector<char> m_tagV2Block;   // the old ID3v2 block if small, else empty; after BuildTagV2 the new tag
    std::vector<char> m_tagV1Block;
    tags::TagText m_szArtist{};
    tags::TagText m_szTitle{};
    std::string m_strStatus;  // of the last settled song
    bool m_bError = false;

    // One song's outcome, settled when its group is done. Its log lines are held until then, so that the
    // log keeps the order in which the songs were taken.
    struct CSong {
        std::string strPath;
        std::string strStatus;
        bool bError = false;
        EOutcome eOutcome = EOutcome::Converted;  // unless bError
        std::vector<std::string> lines;
        // Where the new content waits for its flush: its temporary file, kept open until then.
        std::optional<CTemporaryFile> temporary;
        CFileHandle hNew;
        std::optional<CFileId> newId;  // the new content's file, where known without asking the system again
        CFileId oldId;                 // the song's, for the kept file its old content becomes
        std::uint64_t nOldSize = 0;
        // The new content's remaining work, done on a lane in a batch: the audio to copy from the song.
        CFileHandle hIn;
        std::uint64_t nAudioOffset = 0;
        std::uint64_t nAudioSize = 0;
        std::uint64_t nNewSize = 0;
        bool bOverwrite = false;  // a kept file, to be cut to nNewSize
        bool bWritten = false;    // the new content is whole
        bool bFlushed = false;    // and on the disk
    };

    void StartSong(const std::string& fullPath);
    void Take();
    void HandOverGroup();
    void JoinCompletion();
    void CompleteGroup();
    void ClearGroup();
    void DrainLanes();
    void CompleteSongs(std::deque<CSong>& songs);
    static void WriteAudio(CSong& song);
    static constexpr std::size_t kFlushers = 8;
    static void FlushAll(std::deque<CSong>& songs);
    static void Flush(CSong& song);
    static void FailWriting(CSong& song);
    void PutInPlace(CSong& song);
    void Settle(const CSong& song);
    void RethrowCompletionError();
    bool ReadOldTag(const std::string& fullPath, const std::string& fileName);
    bool OpenAndMeasure(const std::string& fullPath);
    void ReadTitleAndArtist(const std::string& fileName);
    void WriteFileIfChanged(const std::string& fullPath, bool unchanged);
    void WriteReplacement();
    bool WriteTemporary();
    bool ReopenInput();
    struct CSpare;
    CFileHandle OpenSpareFor(CSpare& taken);
    void DropSpare();
    bool ReadExactly(std::uint64_t offset, std::vector<char>& buffer);
    void Fail(const std::string& text);
    void FailBecause(const std::string& text);
    void Report(const std::string& text);
    static void Fail(CSong& song, const std::string& text);
    static void FailBecause(CSong& song, const std::string& text);
    static void Report(CSong& song, const std::string& text);
    void ReleaseFile();

    IFileSystem& m_fs;
    CSong m_song;                    // the one being converted
    CFileInfo m_inInfo;              // the file being converted, as first opened
    std::string m_strFolder;         // of the group and the kept files
    std::deque<CSong> m_group;       // taken, not yet handed over
    std::deque<CSong> m_completing;  // handed over to m_completer
    std::thread m_completer;
    std::exception_ptr m_completionError;
    std::exception_ptr m_laneError;
    // In a batch, the threads that copy the audio of the songs taken; after the songs, so that they stop first.
    std::optional<CJobLanes> m_lanes;
    bool InBatch() const { return m_lanes.has_value(); }
    std::size_t m_nLastCopy = 0;              // the number of the last copy added to the lanes
    bool m_bGroupWrites = false;              // a song of m_group has new content to put in place
    std::uint64_t m_nGroupBytes = 0;          // the group's songs' old sizes
    std::array<std::size_t, 4> m_outcomes{};  // of the batch's settled songs, by EOutcome
    std::size_t m_nKeep = 1;
    // A temporary file holding an earlier song's old content, to be written over.
    struct CSpare {
        std::string strPath;
        CFileId id;  // what strPath must still be before it is written over
        std::uint64_t nSize = 0;
    };
    std::vector<CSpare> m_flushedSpares;    // the exchanges that made them are on the disk
    std::vector<CSpare> m_newSpares;        // not yet
    std::vector<CSpare> m_completedSpares;  // made by m_completer, handed back when it is joined
};
