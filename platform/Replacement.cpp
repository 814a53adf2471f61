#include "Replacement.h"

#include "Path.h"

#include <utility>

CReplacement::CReplacement(IFileSystem& fs, std::string target) : m_fs(&fs), m_target(std::move(target)) {}

CReplacement::CReplacement(CReplacement&& other) noexcept
    : m_fs(other.m_fs),
      m_target(std::move(other.m_target)),
      m_temporary(std::exchange(other.m_temporary, {})),
      m_file(std::move(other.m_file)),
      m_id(other.m_id),
      m_bFlushed(other.m_bFlushed),
      m_error(std::move(other.m_error)) {}

bool CReplacement::Failed(CFileError error) {
    m_error = std::move(error);
    return false;
}

// The identity is what lets Commit tell its own file from whatever another program put under the name since.
bool CReplacement::Opened(CFileHandle file) {
    if (!file) {
        m_temporary.clear();  // nothing was made: the name may be another process's
        return false;
    }
    m_file = std::move(file);
    const std::optional<CFileInfo> info = m_file->Info();
    if (!info) {
        return Failed({"its status cannot be read"});
    }
    m_id = info->id;
    return true;
}

bool CReplacement::Create() {
    m_temporary = TemporaryPathFor(m_target);
    return Opened(m_fs->OpenNew(m_temporary, m_error));
}

bool CReplacement::CreateCopyOf(const std::string& source) {
    m_temporary = TemporaryPathFor(m_target);
    return Opened(m_fs->CopyToNew(source, m_temporary, m_error));
}

bool CReplacement::TakePermissionsOf(const CFileInfo& like) {
    return m_file->TakePermissionsOf(like) || Failed(m_file->Error());
}

bool CReplacement::Flush() {
    m_bFlushed = m_file->Flush();
    return m_bFlushed || Failed(m_file->Error());
}

// The temporary name waited a while: should another program have put a link or another file there, that is
// not what was flushed, and it is neither renamed nor deleted.
bool CReplacement::Commit() {
    m_file.reset();  // Windows can neither replace nor delete a file that is still open
    const std::optional<CFileInfo> named = m_fs->InfoOf(m_temporary, false);
    if (!m_bFlushed || !named || named->id != *m_id || named->eKind != EFileKind::Regular) {
        m_temporary.clear();
        return Failed({"its new content was replaced by another file"});
    }
    if (!m_fs->Replace(m_temporary, m_target, m_error)) {
        return false;
    }
    m_temporary.clear();
    return true;
}

void CReplacement::Abandon() noexcept {
    m_file.reset();
    if (m_temporary.empty()) {
        return;
    }
    try {
        CFileError ignored;  // the failure being reported is the one that made the abandoning
        m_fs->Delete(std::exchange(m_temporary, {}), ignored);
    } catch (...) {
        // Left for the next run's clean-up, which removes this process's leftovers under the folder's lock.
    }
}
