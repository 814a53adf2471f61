#include "TagConverter.h"

#include "ActivityLog.h"
#include "BuildTagV2.h"
#include "Cp1251.h"
#include "ScopeExit.h"
#include "SongPlan.h"
#include "SongTexts.h"
#include "SplitFile.h"
#include "SystemError.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr std::uint64_t kMaxFileSize = std::numeric_limits<std::int32_t>::max();

// A name is UTF-8, while titles are Windows-1251 like every legacy tag; a Linux name that is no valid UTF-8
// is taken as it stands.
std::string NameAsTitle(const std::string& fileName) {
    return tags::Utf8ToCp1251(fileName).value_or(fileName);
}

// Reads the open song for the tag functions; a request it cannot fill is noted, since they all lie in the file.
tags::ReadBytesAt ReaderOf(IFile& file, bool& failed) {
    return [&file, &failed](std::uint64_t offset, std::span<char> into) {
        const std::size_t count = file.ReadAt(offset, into);
        failed = failed || count != into.size();
        return count;
    };
}

}  // namespace

CTagConverter::CTagConverter() : CTagConverter(DefaultFileSystem()) {}

CTagConverter::CTagConverter(IFileSystem& fileSystem) : m_fs(fileSystem) {}

CTagConverter::~CTagConverter() = default;

void CTagConverter::WriteLog(std::string text) {
    AppendLogLine(text);
}

void CTagConverter::ConvertFile(std::string fullPath, std::string fileName) {
    CBatch batch(*this);
    batch.Convert(fullPath, fileName);
    batch.Finish();
}

void CTagConverter::PlanSong(const std::string& fullPath,
                             const std::string& fileName,
                             CFileHandle opened,
                             CSongPlan& plan) {
    plan.strPath = fullPath;
    m_pPlan = &plan;
    const CScopeExit releaseFile([this] { ReleaseFile(); });  // every handle and buffer, on every path
    if (!OpenAndMeasure(std::move(opened))) {
        return;
    }
    SplitFile();
    if (plan.eOutcome == EOutcome::Failed) {
        return;
    }
    ReadTitleAndArtist(fileName);
    if (plan.eOutcome == EOutcome::Failed) {
        return;
    }
    // Nothing but the tag and the audio: no ID3v1 block, no other tag around the audio.
    const bool onlyTagV2 = m_nAudioOffset == m_nTagV2Size && m_nAudioOffset + m_nAudioSize == m_nFileSize;
    std::vector<char> oldTag = std::exchange(m_tagV2Block, {});
    BuildTagV2();
    // A read-only file is refused even when nothing would change.
    if (CFileError error; !m_fs.CanWriteOpened(fullPath, plan.info, error)) {
        plan.FailBecause("ERROR: Could not open file " + fullPath, error.strReason);
        return;
    }
    // A file that already holds exactly its new content is left untouched: a second run over a folder is cheap.
    if (onlyTagV2 && oldTag == m_tagV2Block) {
        plan.eOutcome = EOutcome::AlreadyConverted;
        plan.Report("ID3 EDITED - " + fullPath + " (already in this form)");
        return;
    }
    plan.bWrite = true;
    plan.hIn = std::move(m_hIn);
    plan.newTag = std::move(m_tagV2Block);
    plan.nAudioOffset = static_cast<std::uint64_t>(m_nAudioOffset);
    plan.nAudioSize = static_cast<std::uint64_t>(m_nAudioSize);
}

// False when there is nothing more to do with the file: it failed to open, is empty or too large.
bool CTagConverter::OpenAndMeasure(CFileHandle opened) {
    CSongPlan& plan = *m_pPlan;
    // A link is not followed and a special file is never waited on: neither is a song of this folder.
    CFileError error;
    m_hIn = opened ? std::move(opened) : m_fs.OpenEntryRead(plan.strPath, error);
    if (!m_hIn) {
        const std::string reason = error.strReason;
        const auto info = m_fs.InfoOf(plan.strPath, false);
        if (info && info->eKind != EFileKind::Regular && info->eKind != EFileKind::Folder) {
            plan.Fail(info->eKind == EFileKind::Link
                          ? "ERROR: " + plan.strPath + " is a link, not a file of the out folder; left unchanged"
                          : "ERROR: " + plan.strPath + " is not a regular file; left unchanged");
        } else {
            plan.FailBecause("ERROR: Could not open file " + plan.strPath, reason);
        }
        return false;
    }
    const std::optional<CFileInfo> info = m_hIn->Info();
    if (!info) {
        plan.FailBecause("ERROR: readed size don't match", "its status cannot be read");
        return false;
    }
    plan.info = *info;
    if (info->nSize > kMaxFileSize) {
        plan.Fail("ERROR: file of 2 GB or more left unchanged: " + plan.strPath);
        plan.strStatus = plan.lines.back();
        return false;
    }
    m_nFileSize = static_cast<std::int32_t>(info->nSize);
    if (m_nFileSize == 0) {
        plan.eOutcome = EOutcome::Empty;
        plan.Report("Size of: " + plan.strPath + "is 0");
        return false;
    }
    return true;
}

bool CTagConverter::ReadExactly(std::uint64_t offset, std::vector<char>& buffer) {
    if (m_hIn->ReadAt(offset, buffer) == buffer.size()) {
        return true;
    }
    m_pPlan->FailBecause("ERROR: readed size don't match", m_hIn->Error().strReason);
    return false;
}

// The two ends are read once, with room for the largest tag this converter writes, so that a converted song
// needs no read of its own for its tag, its old tag can be compared with the new one, and the tags around the
// audio are mostly found in memory. A larger ID3v2 block is never held whole: its frames are read from the file.
void CTagConverter::SplitFile() {
    const auto fileSize = static_cast<std::size_t>(m_nFileSize);
    std::vector<char> head(std::min(fileSize, kEndBytes));
    if (!ReadExactly(0, head)) {
        return;
    }
    std::vector<char> tail;  // a small file is all head
    if (fileSize > head.size()) {
        tail.resize(kEndBytes);
        if (!ReadExactly(fileSize - tail.size(), tail)) {
            return;
        }
    }
    const std::span<const char> end = tail.empty() ? std::span<const char>(head) : tail;
    bool readFailed = false;
    const tags::FileSplit split =
        tags::SplitTags(tags::WithEndsInMemory(head, end, fileSize, ReaderOf(*m_hIn, readFailed)), fileSize);
    if (readFailed) {
        m_pPlan->FailBecause("ERROR: readed size don't match", m_hIn->Error().strReason);
        return;
    }
    if (split.damaged) {
        m_pPlan->Fail("ERROR: damaged ID3v2 tag in " + m_pPlan->strPath +
                      ": its size runs past the audio; left unchanged");
        return;
    }
    m_tagV1Block.assign(end.end() - static_cast<std::ptrdiff_t>(split.tagV1Size), end.end());
    if (split.tagV2Size <= head.size()) {
        head.resize(split.tagV2Size);
        m_tagV2Block = std::move(head);
    }
    m_nTagV2Size = static_cast<std::int32_t>(split.tagV2Size);
    m_nTagV1Size = static_cast<std::int32_t>(split.tagV1Size);
    m_nAudioSize = static_cast<std::int32_t>(split.audioSize);
    m_nAudioOffset = static_cast<std::int32_t>(split.audioOffset);
}

// Each text falls back on its own: ID3v2, then ID3v1, then the name for the title. A name is no tag text, so
// it is transliterated too: every new tag holds plain Latin only.
void CTagConverter::ReadTitleAndArtist(const std::string& fileName) {
    bool readFailed = false;
    const bool blockInMemory = m_tagV2Block.size() == static_cast<std::size_t>(m_nTagV2Size);
    const std::string name = NameAsTitle(fileName);
    const tags::SongTags songTags{blockInMemory ? tags::ReaderOf(m_tagV2Block) : ReaderOf(*m_hIn, readFailed),
                                  static_cast<std::uint64_t>(m_nTagV2Size), m_tagV1Block, name};
    tags::ReadSongTexts(songTags, m_szTitle, m_szArtist);
    if (readFailed) {
        m_pPlan->FailBecause("ERROR: readed size don't match", m_hIn->Error().strReason);
    }
}

void CTagConverter::BuildTagV2() {
    m_tagV1Block.clear();
    m_nTagV1Size = 0;
    m_tagV2Block = tags::RenderTagV2(tags::TextOf(m_szTitle), tags::TextOf(m_szArtist));
    m_nTagV2Size = static_cast<std::int32_t>(m_tagV2Block.size());
}

void CTagConverter::ReleaseFile() {
    m_hIn.reset();
    m_tagV2Block.clear();
    m_tagV1Block.clear();
    m_nTagV2Size = 0;
    m_nTagV1Size = 0;
    m_nAudioSize = 0;
    m_pPlan = nullptr;
}
