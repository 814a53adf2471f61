#include "TagConverter.h"

#include "ActivityLog.h"
#include "BuildTagV2.h"
#include "Cp1251.h"
#include "ReadTagV1.h"
#include "ReadTagV2.h"
#include "ScopeExit.h"
#include "SongPlan.h"
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

void CTagConverter::PlanSong(const std::string& fullPath, const std::string& fileName, CSongPlan& plan) {
    plan.strPath = fullPath;
    m_pPlan = &plan;
    const CScopeExit releaseFile([this] { ReleaseFile(); });  // every handle and buffer, on every path
    if (!OpenAndMeasure()) {
        return;
    }
    SplitFile();
    if (plan.eOutcome == EOutcome::Failed) {
        return;
    }
    ReadTitleAndArtist(fileName);
    const bool hadTagV1 = m_nTagV1Size != 0;
    const std::int32_t oldTagV2Size = m_nTagV2Size;
    std::vector<char> oldTag = std::exchange(m_tagV2Block, {});
    BuildTagV2();
    // A read-only file is refused even when nothing would change.
    if (CFileError error; !m_fs.CanWriteOpened(fullPath, plan.info, error)) {
        plan.FailBecause("ERROR: Could not open file " + fullPath, error.strReason);
        return;
    }
    // A file that already holds exactly its new content is left untouched: a second run over a folder is cheap.
    if (!hadTagV1 && oldTag == m_tagV2Block) {
        plan.eOutcome = EOutcome::AlreadyConverted;
        plan.Report("ID3 EDITED - " + fullPath);
        return;
    }
    plan.bWrite = true;
    plan.hIn = std::move(m_hIn);
    plan.newTag = std::move(m_tagV2Block);
    plan.nAudioOffset = static_cast<std::uint64_t>(oldTagV2Size);
    plan.nAudioSize = static_cast<std::uint64_t>(m_nAudioSize);
}

// False when there is nothing more to do with the file: it failed to open, is empty or too large.
bool CTagConverter::OpenAndMeasure() {
    CSongPlan& plan = *m_pPlan;
    // A link is not followed and a special file is never waited on: neither is a song of this folder.
    CFileError error;
    m_hIn = m_fs.OpenEntryRead(plan.strPath, error);
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

// The head is read with room for a small tag, such as every converted song's, so that it needs no read of its own.
void CTagConverter::SplitFile() {
    constexpr std::size_t kHeadRead = 4096;
    const auto fileSize = static_cast<std::size_t>(m_nFileSize);
    std::vector<char> head(std::min(fileSize, kHeadRead));
    std::vector<char> tail(std::min(fileSize, tags::kSplitTailSize));
    if (!ReadExactly(0, head) || !ReadExactly(fileSize - tail.size(), tail)) {
        return;
    }
    const auto headerBytes = std::span<const char>(head).first(std::min(fileSize, tags::kSplitHeadSize));
    const tags::FileSplit split = tags::SplitFileEnds(headerBytes, fileSize, tail);
    if (split.damaged) {
        m_pPlan->Fail("ERROR: damaged ID3v2 tag in " + m_pPlan->strPath +
                      ": its size runs past the audio; left unchanged");
        return;
    }
    if (split.tagV2Size <= head.size()) {
        head.resize(split.tagV2Size);
        m_tagV2Block = std::move(head);
    } else {
        m_tagV2Block.resize(split.tagV2Size);
        if (!ReadExactly(0, m_tagV2Block)) {
            return;
        }
    }
    m_tagV1Block.assign(tail.end() - static_cast<std::ptrdiff_t>(split.tagV1Size), tail.end());
    m_nTagV2Size = static_cast<std::int32_t>(split.tagV2Size);
    m_nTagV1Size = static_cast<std::int32_t>(split.tagV1Size);
    m_nAudioSize = static_cast<std::int32_t>(split.audioSize);
}

void CTagConverter::ReadTagV2() {
    tags::ReadTagV2Texts(m_tagV2Block, m_szTitle, m_szArtist);
}

void CTagConverter::ReadTagV1() {
    tags::ReadTagV1Texts(m_tagV1Block, m_szTitle, m_szArtist);
}

// An ID3v2 block wins over an ID3v1 block, even one without title or artist; a file without either is
// titled by its name, not transliterated, so that the name's letters survive until a second run.
void CTagConverter::ReadTitleAndArtist(const std::string& fileName) {
    if (m_nTagV2Size != 0) {
        ReadTagV2();
    } else if (m_nTagV1Size != 0) {
        ReadTagV1();
    } else {
        const std::string title = NameAsTitle(fileName);
        const std::size_t length = std::min(title.size(), tags::kMaxTextLength);
        std::copy_n(title.begin(), length, m_szTitle.begin());
        m_szTitle[length] = '\0';
        m_szArtist[0] = '\0';
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
