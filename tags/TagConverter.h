#pragma once

#include "FileSystem.h"
#include "TagText.h"

#include <cstdint>
#include <string>
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
    // How the last file went, for a batch's summary.
    enum class EOutcome { Converted, AlreadyConverted, Empty, Failed };
    EOutcome LastOutcome() const;
    // Instead of ConvertFile, for an entry that is a link or a special file: it is left exactly as it is, and
    // the reason is logged as a failure.
    void LeaveUnconverted(const std::string& fullPath, EFileKind kind);
    void WriteLog(std::string text);

    // While one lives, each song's old content is kept in a temporary file and a later song of the same
    // folder is written over it, instead of freeing the old blocks and taking new ones for every song: far
    // less work for the disk. Up to `keep` such files are kept, so that one flush of the folder frees that
    // many for reuse; fewer when they already hold kKeptBytes, so that large songs take little more room on
    // a nearly full stick. The kept files are removed when the batch ends.
    static constexpr std::size_t kKeptPerFolderFlush = 16;
    static constexpr std::uint64_t kKeptBytes = std::uint64_t{32} << 20;
    class CBatch {
      public:
        explicit CBatch(CTagConverter& converter, std::size_t keep = kKeptPerFolderFlush) : m_converter(converter) {
            m_converter.m_bKeepSpare = true;
            m_converter.m_nKeep = keep;
        }
        CBatch(const CBatch&) = delete;
        CBatch& operator=(const CBatch&) = delete;
        ~CBatch() {
            m_converter.m_bKeepSpare = false;
            m_converter.DropSpare();
        }

      private:
        CTagConverter& m_converter;
    };
    ~CTagConverter() { DropSpare(); }

    // The last file's status text ("ID3 EDITED - ...", "Size of: ...is 0", or empty after a failure).
    const std::string& Status() const { return m_strStatus; }
    // Whether the last file failed.
    bool HasError() const { return m_bError; }

  private:
    // The steps of one file, valid only in this order, within ConvertFile.
    // Reads the file's two ends and its ID3v2 block; the audio between stays on the disk.
    void SplitFile();
    void ReadTagV2();
    void ReadTagV1();
    // Replaces the old tag blocks by the new tag.
    void BuildTagV2();
    // Writes the new tag and the audio to m_hOut.
    void WriteOutput();

    CFileHandle m_hIn;
    CFileHandle m_hOut;
    std::int32_t m_nFileSize = 0;
    std::int32_t m_nTagV2Size = 0;  // the old block's; after BuildTagV2 the new tag's
    std::int32_t m_nTagV1Size = 0;
    std::int32_t m_nAudioSize = 0;
    std::int32_t m_nAudioOffset = 0;  // where the audio starts in the old file
    std::vector<char> m_tagV2Block;   // the old ID3v2 block; after BuildTagV2 the new tag
    std::vector<char> m_tagV1Block;
    tags::TagText m_szArtist{};
    tags::TagText m_szTitle{};
    std::string m_strStatus;
    bool m_bError = false;

    bool ReadOldTag(const std::string& fullPath, const std::string& fileName);
    bool OpenAndMeasure(const std::string& fullPath);
    void ReadTitleAndArtist(const std::string& fileName);
    void WriteFileIfChanged(const std::string& fullPath, bool unchanged);
    void WriteReplacement(const std::string& fullPath);
    bool WriteTemporary(const std::string& fullPath, bool overwrite);
    bool ReopenInput(const std::string& fullPath);
    CFileHandle OpenSpareFor(const std::string& fullPath, std::string& sparePath);
    void DropSpare();
    bool ReadExactly(std::uint64_t offset, std::vector<char>& buffer);
    void Fail(const std::string& text);
    void FailBecause(const std::string& text);
    void Report(const std::string& text);
    void ReleaseFile();

    IFileSystem& m_fs;
    std::string m_strPath;                      // of the file being converted
    CFileId m_inId;                             // the file being converted, as first opened
    EOutcome m_eOutcome = EOutcome::Converted;  // unless m_bError
    bool m_bKeepSpare = false;
    std::size_t m_nKeep = 1;
    // A temporary file holding an earlier song's old content, to be written over.
    struct CSpare {
        std::string strPath;
        CFileId id;  // what strPath must still be before it is written over
        std::uint64_t nSize = 0;
    };
    std::vector<CSpare> m_flushedSpares;  // the exchanges that made them are on the disk
    std::vector<CSpare> m_newSpares;      // not yet
};
