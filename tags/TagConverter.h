#pragma once

#include "FileSystem.h"
#include "TagText.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CSongPlan;

// Rewrites MP3 files: title and artist from the old tag (or the name), in Latin capitals, as a minimal ID3v2.3
// tag followed by the unchanged audio. One lives for the whole process.
//
// The new content goes to a new temporary neighbour that replaces the song only once it is complete and on the
// disk, and only while the song is still the very file that was read, so a failure, a crash or another program
// at any moment leaves each song old or new. The audio is never read into memory: the system copies it.
class CTagConverter {
  public:
    CTagConverter();
    explicit CTagConverter(IFileSystem& fileSystem);
    ~CTagConverter();
    CTagConverter(const CTagConverter&) = delete;
    CTagConverter& operator=(const CTagConverter&) = delete;

    enum class EOutcome { Converted, AlreadyConverted, Empty, Failed };

    // fullPath names the file; fileName is its bare name, as the folder search found it. The outcome is in
    // Status(), HasError() and the activity log once this returns.
    void ConvertFile(std::string fullPath, std::string fileName);
    void WriteLog(std::string text);

    // The songs of one run. A song's outcome (Status(), HasError(), Count(), its log lines) is settled on the
    // thread that owns the batch, in the order the songs were taken, by the time Finish returns.
    class CBatch {
      public:
        explicit CBatch(CTagConverter& converter);
        ~CBatch();  // songs not yet settled are left as they were
        CBatch(const CBatch&) = delete;
        CBatch& operator=(const CBatch&) = delete;

        // `opened`, if given, is the song opened ahead (without following a link); otherwise it is opened here.
        void Convert(const std::string& fullPath, const std::string& fileName, CFileHandle opened = nullptr);
        // For an entry that is a link or a special file: it is left exactly as it is, and the reason is logged as
        // a failure.
        void LeaveUnconverted(const std::string& fullPath, EFileKind kind);
        // Settles every song taken and puts the folder's changes on the disk.
        void Finish();
        // How many songs of the batch settled with the outcome.
        std::size_t Count(EOutcome outcome) const { return m_counts[static_cast<std::size_t>(outcome)]; }

      private:
        class CWriter;
        void Take(CSongPlan&& plan);
        void SettleWritten();

        CTagConverter& m_converter;
        std::unique_ptr<CWriter> m_writer;
        std::array<std::size_t, 4> m_counts{};
    };

    // The bytes read at each end of a song, where its tags are, before anything else of it.
    static constexpr std::size_t kEndBytes = 8192;

    // The last settled file's status text ("ID3 EDITED - ...", "Size of: ...is 0", or empty after a failure).
    const std::string& Status() const { return m_strStatus; }
    // Whether the last settled file failed.
    bool HasError() const { return m_bError; }

  private:
    // Reads the song and decides what becomes of it: its new tag and audio range, or why it is left alone.
    void PlanSong(const std::string& fullPath, const std::string& fileName, CFileHandle opened, CSongPlan& plan);
    // The steps of planning, valid only in this order.
    bool OpenAndMeasure(CFileHandle opened);
    // Finds the pieces and reads the file's ID3v1 block and a small ID3v2 block; the audio stays on the disk.
    void SplitFile();
    void ReadTitleAndArtist(const std::string& fileName);
    // Replaces the old tag blocks by the new tag.
    void BuildTagV2();
    bool ReadExactly(std::uint64_t offset, std::vector<char>& buffer);
    void ReleaseFile();

    IFileSystem& m_fs;
    CSongPlan* m_pPlan = nullptr;  // the song being planned
    CFileHandle m_hIn;
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
};
