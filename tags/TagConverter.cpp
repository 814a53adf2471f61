#include "TagConverter.h"

#include "ActivityLog.h"
#include "BuildTagV2.h"
#include "Cp1251.h"
#include "Path.h"
#include "ScopeExit.h"
#include "SongTexts.h"
#include "SplitFile.h"
#include "SystemError.h"
#include "TemporaryFile.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr std::uint64_t kMaxFileSize = std::numeric_limits<std::int32_t>::max();

std::string WhyLeftUnconverted(const std::string& fullPath, EFileKind kind) {
    if (kind == EFileKind::Link) {
        return "ERROR: " + fullPath + " is a link, not a file of the out folder; left unchanged";
    }
    return "ERROR: " + fullPath + " is not a regular file; left unchanged";
}

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

void CTagConverter::WriteLog(std::string text) {
    AppendLogLine(text);
}

// The message, then the file where the message names none, then the system's reason.
void CTagConverter::FailBecause(CSong& song, const std::string& text) {
    const bool namesFile = text.ends_with(song.strPath);
    Fail(song, text + (namesFile ? "" : " " + song.strPath) + ": " + LastSystemError());
}

void CTagConverter::Fail(CSong& song, const std::string& text) {
    song.bError = true;
    song.lines.push_back(text);
}

void CTagConverter::Report(CSong& song, const std::string& text) {
    song.strStatus = text;
    song.lines.push_back(text);
}

void CTagConverter::FailBecause(const std::string& text) {
    FailBecause(m_song, text);
}

void CTagConverter::Fail(const std::string& text) {
    Fail(m_song, text);
}

void CTagConverter::Report(const std::string& text) {
    Report(m_song, text);
}

void CTagConverter::LeaveUnconverted(const std::string& fullPath, EFileKind kind) {
    StartSong(fullPath);
    Fail(WhyLeftUnconverted(fullPath, kind));
    Take();
}

void CTagConverter::ConvertFile(std::string fullPath, std::string fileName) {
    StartSong(fullPath);
    {
        const CScopeExit releaseFile([this] { ReleaseFile(); });  // every handle and buffer, on every path
        if (ReadOldTag(fullPath, fileName)) {
            const bool onlyTagV2 = m_nAudioOffset == m_nTagV2Size && m_nAudioOffset + m_nAudioSize == m_nFileSize;
            std::vector<char> oldTag = std::exchange(m_tagV2Block, {});
            BuildTagV2();
            WriteFileIfChanged(fullPath, onlyTagV2 && oldTag == m_tagV2Block);
        }
    }
    if (!m_song.bError && m_song.strStatus.empty() && !m_song.hNew) {
        Report("ID3 EDITED - " + fullPath + " (already in this form)");
    }
    Take();
}

// A group and the kept files are of one folder: a rename never crosses folders.
void CTagConverter::StartSong(const std::string& fullPath) {
    if (const std::string folder = FolderPrefix(fullPath); folder != m_strFolder) {
        CompleteGroup();
        DropSpare();
        m_strFolder = folder;
    }
    m_song = CSong{};
    m_song.strPath = fullPath;
}

// In a batch the song's audio is copied on a lane while this thread reads the next songs; a deque keeps the
// song where the lane finds it while more are taken.
void CTagConverter::Take() {
    m_nGroupBytes += m_song.nOldSize;
    if (m_song.hNew && !InBatch()) {
        WriteAudio(m_song);
    }
    CSong& song = m_group.emplace_back(std::exchange(m_song, {}));
    if (song.hNew && m_lanes) {
        m_bGroupWrites = true;
        m_nLastCopy = m_lanes->Add([&song] {
            try {
                WriteAudio(song);
            } catch (...) {
                song.bError = true;  // never put in place
                throw;
            }
        });
    }
    if (!InBatch()) {
        CompleteGroup();
    } else if (m_group.size() >= m_nKeep || m_nGroupBytes >= kKeptBytes) {
        if (m_bGroupWrites) {
            HandOverGroup();
        } else {
            CompleteGroup();  // nothing to wait for: a second run over a folder starts no thread
        }
    }
}

// A full group is completed on a second thread while this one writes the next group, so that the disk's
// flushing of one group and the copying of the next overlap. One group completes at a time, and the two
// threads share nothing meanwhile: the completing group's songs, the outcome and the kept files it makes
// are handed back only when it is joined.
void CTagConverter::HandOverGroup() {
    JoinCompletion();
    m_completing.swap(m_group);  // the songs stay where the lanes copy their audio
    m_nGroupBytes = 0;
    m_bGroupWrites = false;
    m_completer = std::thread([this, lastCopy = m_nLastCopy] {
        try {
            m_lanes->WaitThrough(lastCopy);
            CompleteSongs(m_completing);
        } catch (...) {
            m_completionError = std::current_exception();
        }
    });
}

// The kept files of the joined group may be reused from now on, once the folder is flushed.
void CTagConverter::JoinCompletion() {
    if (m_completer.joinable()) {
        m_completer.join();
    }
    m_completing.clear();
    m_newSpares.insert(m_newSpares.end(), m_completedSpares.begin(), m_completedSpares.end());
    m_completedSpares.clear();
}

// Settles every song taken so far.
void CTagConverter::CompleteGroup() {
    DrainLanes();
    JoinCompletion();
    CompleteSongs(m_group);
    ClearGroup();  // takes in the kept files just made, too
}

// Drops the waiting songs, settled or not; a song not settled stays as it was, its new content deleted.
void CTagConverter::ClearGroup() {
    DrainLanes();
    JoinCompletion();
    m_group.clear();
    m_nGroupBytes = 0;
    m_bGroupWrites = false;
}

// Waits for the copies on the lanes; an exception one met is passed on by Finish.
void CTagConverter::DrainLanes() {
    if (std::exception_ptr error = m_lanes ? m_lanes->Drain() : nullptr; error && !m_laneError) {
        m_laneError = error;
    }
}

// Each waiting song is flushed, then put in place and settled, in the order the songs were taken.
void CTagConverter::CompleteSongs(std::deque<CSong>& songs) {
    FlushAll(songs);
    for (CSong& song : songs) {
        if (song.bFlushed) {
            PutInPlace(song);
        }
        Settle(song);
    }
}

// The audio goes after the tag the song's writing put there, and its write-back is started, so that the disk
// writes while the group is still being taken. A kept file is cut to its new size: it may have held a longer song.
void CTagConverter::WriteAudio(CSong& song) {
    const std::uint64_t audio = song.nAudioSize;
    song.bWritten = song.hNew->AppendFrom(*song.hIn, song.nAudioOffset, audio) == audio &&
                    (!song.bOverwrite || song.hNew->Truncate(song.nNewSize));
    if (song.bWritten) {
        song.hNew->StartFlush();
    } else {
        FailWriting(song);
    }
    song.hIn.reset();
}

// A flush mostly waits on the disk, so the flushes of a group are shared among a few threads: the disk then takes
// many songs' cache flushes at once instead of one after the other.
void CTagConverter::FlushAll(std::deque<CSong>& songs) {
    std::vector<CSong*> written;
    for (CSong& song : songs) {
        if (song.bWritten) {
            written.push_back(&song);
        }
    }
    RunSpread(written.size(), kFlushers, [&written](std::size_t i) { Flush(*written[i]); });
}

void CTagConverter::Flush(CSong& song) {
    song.bFlushed = song.hNew->Flush();
    if (!song.bFlushed) {
        FailWriting(song);
    }
}

// The new content is dropped: its handle is closed before its temporary file is deleted with the song, as
// Windows cannot delete an open file.
void CTagConverter::FailWriting(CSong& song) {
    FailBecause(song, "ERROR: writing DATA on output file.");
    song.hNew.reset();
}

void CTagConverter::RethrowCompletionError() {
    if (m_laneError) {
        std::rethrow_exception(std::exchange(m_laneError, nullptr));
    }
    if (m_completionError) {
        std::rethrow_exception(std::exchange(m_completionError, nullptr));
    }
}

// The new content replaces the song only once it is on the disk, and only while its temporary name still
// leads to it: the name waited a while, and another program may have replaced it by a link meanwhile.
void CTagConverter::PutInPlace(CSong& song) {
    const std::string& temporary = song.temporary->Path();
    std::optional<CFileId> written = song.newId;
    if (!written) {
        const std::optional<CFileInfo> info = song.hNew->Info();
        written = info ? std::optional(info->id) : std::nullopt;
    }
    song.hNew.reset();  // Windows can neither replace nor delete a file that is still open
    const std::optional<CFileInfo> named = m_fs.InfoOf(temporary, false);
    if (!written || !named || named->id != *written || named->eKind != EFileKind::Regular) {
        song.temporary->HandOver();  // whatever the name leads to now is not ours to delete
        NoteSystemError("its new content was replaced by another file");
        FailBecause(song, "ERROR: Could not replace file " + song.strPath);
        return;
    }
    if (InBatch() && m_fs.Exchange(temporary, song.strPath)) {
        m_completedSpares.push_back({temporary, song.oldId, song.nOldSize});
    } else if (!m_fs.Replace(temporary, song.strPath)) {
        FailBecause(song, "ERROR: Could not replace file " + song.strPath);
        return;
    }
    song.temporary->HandOver();
    Report(song, "ID3 EDITED - " + song.strPath);
}

void CTagConverter::Settle(const CSong& song) {
    m_strStatus = song.strStatus;
    m_bError = song.bError;
    for (const std::string& line : song.lines) {
        WriteLog(line);
    }
    ++m_outcomes[static_cast<std::size_t>(m_bError ? EOutcome::Failed : song.eOutcome)];
}

// Reads title and artist; false when there is nothing more to do with the file. Where a reading handle
// refuses writers (Windows), it is closed at the end, or the write check that follows would fail; elsewhere
// it stays open for the audio.
bool CTagConverter::ReadOldTag(const std::string& fullPath, const std::string& fileName) {
    const CScopeExit closeInput([this] {
        if (m_fs.ReadingBlocksWriting()) {
            m_hIn.reset();
        }
    });
    if (!OpenAndMeasure(fullPath)) {
        return false;
    }
    SplitFile();
    if (m_song.bError) {
        return false;
    }
    ReadTitleAndArtist(fileName);
    return !m_song.bError;
}

// False when there is nothing more to do with the file: it failed to open, is empty or too large.
bool CTagConverter::OpenAndMeasure(const std::string& fullPath) {
    // A link is not followed and a special file is never waited on: neither is a song of this folder.
    m_hIn = m_fs.OpenEntryRead(fullPath);
    if (!m_hIn) {
        const auto info = m_fs.InfoOf(fullPath, false);
        const bool special = info && info->eKind != EFileKind::Regular && info->eKind != EFileKind::Folder;
        if (special) {
            Fail(WhyLeftUnconverted(fullPath, info->eKind));
        } else {
            FailBecause("ERROR: Could not open file " + fullPath);
        }
        return false;
    }
    const std::optional<CFileInfo> info = m_hIn->Info();
    if (!info) {
        FailBecause("ERROR: readed size don't match");
        return false;
    }
    m_inInfo = *info;
    if (info->nSize > kMaxFileSize) {
        m_song.bError = true;
        Report("ERROR: file of 2 GB or more left unchanged: " + fullPath);
        return false;
    }
    m_nFileSize = static_cast<std::int32_t>(info->nSize);
    if (m_nFileSize == 0) {
        m_song.eOutcome = EOutcome::Empty;
        Report("Size of: " + fullPath + "is 0");
        return false;
    }
    return true;
}

bool CTagConverter::ReadExactly(std::uint64_t offset, std::vector<char>& buffer) {
    if (m_hIn->ReadAt(offset, buffer) == buffer.size()) {
        return true;
    }
    FailBecause("ERROR: readed size don't match");
    return false;
}

// The two ends are read once, with room for the largest tag this converter writes, so that a converted song
// needs no read of its own for its tag, its old tag can be compared with the new one, and the tags around the
// audio are mostly found in memory. A larger ID3v2 block is never held whole: its frames are read from the file.
void CTagConverter::SplitFile() {
    constexpr std::size_t kEndRead = 8192;
    const auto fileSize = static_cast<std::size_t>(m_nFileSize);
    std::vector<char> head(std::min(fileSize, kEndRead));
    if (!ReadExactly(0, head)) {
        return;
    }
    std::vector<char> tail;  // a small file is all head
    if (fileSize > head.size()) {
        tail.resize(kEndRead);
        if (!ReadExactly(fileSize - tail.size(), tail)) {
            return;
        }
    }
    const std::span<const char> end = tail.empty() ? std::span<const char>(head) : tail;
    bool readFailed = false;
    const tags::FileSplit split =
        tags::SplitTags(tags::WithEndsInMemory(head, end, fileSize, ReaderOf(*m_hIn, readFailed)), fileSize);
    if (readFailed) {
        FailBecause("ERROR: readed size don't match");
        return;
    }
    if (split.damaged) {
        Fail("ERROR: damaged ID3v2 tag in " + m_song.strPath + ": its size runs past the audio; left unchanged");
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
        FailBecause("ERROR: readed size don't match");
    }
}

void CTagConverter::BuildTagV2() {
    m_tagV1Block.clear();
    m_nTagV1Size = 0;
    m_tagV2Block = tags::RenderTagV2(tags::TextOf(m_szTitle), tags::TextOf(m_szArtist));
    m_nTagV2Size = static_cast<std::int32_t>(m_tagV2Block.size());
}

// A file that already holds exactly its new content is left untouched, which makes a second run over
// a folder cheap. A read-only file is refused all the same.
void CTagConverter::WriteFileIfChanged(const std::string& fullPath, bool unchanged) {
    if (!m_fs.CanWriteOpened(fullPath, m_inInfo)) {
        FailBecause("ERROR: Could not open file " + fullPath);
        return;
    }
    if (unchanged) {
        m_song.eOutcome = EOutcome::AlreadyConverted;
    } else {
        WriteReplacement();
    }
}

// The new content is written and its write-back started; the group's end puts it in place.
void CTagConverter::WriteReplacement() {
    CSpare kept;
    CFileHandle spare = OpenSpareFor(kept);
    const bool overwrite = static_cast<bool>(spare);
    CTemporaryFile temporary(m_fs, overwrite ? kept.strPath : TemporaryPathFor(m_song.strPath));
    {
        // Closed on failure before the temporary file is deleted: Windows cannot delete an open file.
        const CScopeExit closeBoth([this] {
            m_hOut.reset();
            m_hIn.reset();
        });
        m_hOut = overwrite ? std::move(spare) : m_fs.OpenNew(temporary.Path());
        if (!WriteTemporary()) {
            return;
        }
        m_song.hNew = std::move(m_hOut);
        m_song.hIn = std::move(m_hIn);
    }
    m_song.nAudioOffset = static_cast<std::uint64_t>(m_nAudioOffset);
    m_song.nAudioSize = static_cast<std::uint64_t>(m_nAudioSize);
    m_song.nNewSize = static_cast<std::uint64_t>(m_nTagV2Size) + m_song.nAudioSize;
    m_song.bOverwrite = overwrite;
    m_song.temporary.emplace(std::move(temporary));
    if (overwrite) {
        m_song.newId = kept.id;  // checked on opening
    }
    m_song.oldId = m_inInfo.id;
    m_song.nOldSize = static_cast<std::uint64_t>(m_nFileSize);
}

// A kept file is written over only once the exchange that put it there is on the disk (else a power cut
// could bring an earlier song's name back on blocks that already hold this one), and only while it is still
// the very file the exchange put there: a regular file with no other name, reached without a link. One
// folder flush makes every exchange before it durable, so the folder is flushed only when a whole group of
// kept files is waiting; until then each song takes a new temporary file, whose replacing needs no flush of
// the folder.
CFileHandle CTagConverter::OpenSpareFor(CSpare& taken) {
    if (m_flushedSpares.empty()) {
        std::uint64_t keptBytes = 0;
        for (const CSpare& spare : m_newSpares) {
            keptBytes += spare.nSize;
        }
        if (m_newSpares.empty() || (m_newSpares.size() < m_nKeep && keptBytes < kKeptBytes)) {
            return nullptr;
        }
        if (!m_fs.FlushFolder(m_strFolder)) {
            DropSpare();
            return nullptr;
        }
        m_flushedSpares = std::exchange(m_newSpares, {});
    }
    const CSpare kept = m_flushedSpares.back();
    m_flushedSpares.pop_back();
    CFileHandle spare = m_fs.OpenOverwrite(kept.strPath);
    const std::optional<CFileInfo> info = spare ? spare->Info() : std::nullopt;
    if (!info || info->id != kept.id || info->eKind != EFileKind::Regular || info->nLinks != 1) {
        spare.reset();
        m_fs.Delete(kept.strPath);
        DropSpare();
        return nullptr;
    }
    taken = kept;
    return spare;
}

// Writes the new tag; the audio follows when the song's group is completed.
bool CTagConverter::WriteTemporary() {
    if (!m_hOut || !ReopenInput()) {
        FailBecause("ERROR: Could not open file " + m_song.strPath);
        return false;
    }
    if (m_hOut->Write(m_tagV2Block) != m_tagV2Block.size()) {
        FailBecause("ERROR: writing ID3 on output file.");
        return false;
    }
    return true;
}

// Where the reading handle had to be closed, the song is opened again for its audio, and must still be the
// file whose tag was read.
bool CTagConverter::ReopenInput() {
    if (m_hIn) {
        return true;
    }
    m_hIn = m_fs.OpenEntryRead(m_song.strPath);
    const std::optional<CFileInfo> info = m_hIn ? m_hIn->Info() : std::nullopt;
    if (info && info->id != m_inInfo.id) {
        NoteSystemError("it was replaced by another file while being converted");
    }
    return info && info->id == m_inInfo.id;
}

// Freeing a file's blocks may wait on the disk too (a stick mounted with discard), so the kept files are deleted
// a few at once.
void CTagConverter::DropSpare() {
    std::vector<std::string> paths;
    for (const std::vector<CSpare>* spares : {&m_flushedSpares, &m_newSpares}) {
        for (const CSpare& spare : *spares) {
            paths.push_back(spare.strPath);
        }
    }
    m_flushedSpares.clear();
    m_newSpares.clear();
    RunSpread(paths.size(), kFlushers, [this, &paths](std::size_t i) { m_fs.Delete(paths[i]); });
}

void CTagConverter::ReleaseFile() {
    m_hOut.reset();
    m_hIn.reset();
    m_tagV2Block.clear();
    m_tagV1Block.clear();
    m_nTagV2Size = 0;
    m_nTagV1Size = 0;
    m_nAudioSize = 0;
}
