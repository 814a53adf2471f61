#pragma once

#include "FileSystem.h"
#include "SystemError.h"

#include <optional>
#include <string>

// New content for a file, written to a new temporary neighbour that replaces the file in one step once it is on
// the disk, so that the file holds its old or its whole new content at every moment: after a failure, a crash or
// a power cut alike. It owns its handle and its temporary name; what is not committed is deleted, on every path.
//
// Why the order keeps a power cut harmless: the content is written, given the file's permissions and flushed
// (TakePermissionsOf, Flush) before the rename (Commit), so no rename that reaches the disk can name content that did not; the rename
// itself is atomic, and the caller flushes the folder after its last rename, so that what it reports as done is
// on the disk too.
class CReplacement {
  public:
    CReplacement(IFileSystem& fs, std::string target);
    CReplacement(CReplacement&& other) noexcept;
    CReplacement& operator=(CReplacement&&) = delete;
    CReplacement(const CReplacement&) = delete;
    CReplacement& operator=(const CReplacement&) = delete;
    ~CReplacement() { Abandon(); }

    // Makes the temporary file: always a new one, which no other writer can share, readable by its owner only.
    bool Create();
    // Makes it as a copy of the regular file `source` (content, times and permissions).
    bool CreateCopyOf(const std::string& source);
    // The temporary file, between Create and Flush.
    IFile& File() { return *m_file; }
    // Lets the disk start writing, so that the flushes of many files wait for one write-back.
    void StartFlush() { m_file->StartFlush(); }
    // Gives the content the permissions `like` has (the file it replaces), before it goes to the disk.
    bool TakePermissionsOf(const CFileInfo& like);
    // Puts the content on the disk.
    bool Flush();
    // Replaces the target with the flushed content; false, with the target as it was, when that fails.
    bool Commit();
    // Closes and deletes the temporary file, unless committed. Never throws: it runs while exceptions unwind.
    void Abandon() noexcept;

    // Why the last step failed, taken from the call that failed.
    const CFileError& Error() const { return m_error; }

  private:
    bool Failed(CFileError error);
    bool Opened(CFileHandle file);

    IFileSystem* m_fs;
    std::string m_target;
    std::string m_temporary;        // empty once committed, or once the name is no longer ours
    CFileHandle m_file;
    std::optional<CFileId> m_id;    // of the temporary file
    bool m_bFlushed = false;
    CFileError m_error;
};
