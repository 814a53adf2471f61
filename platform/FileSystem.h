#pragma once

// The file services the tool needs, behind one interface so that the POSIX and the Win32
// implementations keep the same meaning and tests can make any of them fail.

#include "SystemError.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What a file is, told without following a link.
enum class EFileKind {
    Regular,
    Folder,
    Link,     // a symbolic link or another reparse point: it leads elsewhere, so it is never written through
    Special,  // a FIFO, a socket or a device: opening one may block, so it is never opened
};

// Names one file on one volume, whatever name it is reached by.
struct CFileId {
    std::uint64_t nVolume = 0;
    std::uint64_t nIndex = 0;
    bool operator==(const CFileId&) const = default;
};

struct CFileInfo {
    CFileId id;
    EFileKind eKind = EFileKind::Regular;
    std::uint64_t nSize = 0;
    bool bReadOnly = false;      // a regular file nobody may write: the read-only attribute, or no write permission
    std::int64_t nModified = 0;  // the last write, in the system's finest unit
    std::uint32_t nMode = 0;     // permission bits (POSIX) or attributes (Windows)
    std::uint32_t nOwner = 0;    // user and group (POSIX only)
    std::uint32_t nGroup = 0;
};

// Whether `now` is still the very file, with the very content, that `before` described: the same file, size,
// last write and permissions. Another program that wrote, replaced or locked it meanwhile changed one of them.
inline bool IsSameVersion(const CFileInfo& before, const CFileInfo& now) {
    return before.id == now.id && before.eKind == now.eKind && before.nSize == now.nSize &&
           before.nModified == now.nModified && before.nMode == now.nMode && before.bReadOnly == now.bReadOnly;
}

// An open file. Released (closed) when the owning pointer goes away, on every path.
class IFile {
  public:
    virtual ~IFile() = default;

    // Why the last of its calls that failed (a short read or write included) failed, as the system said then.
    virtual const CFileError& Error() const = 0;

    // Full 64-bit size; nullopt when the system cannot tell.
    virtual std::optional<std::uint64_t> Size() = 0;
    // Fills the whole buffer, in as many requests as the system needs; returns the bytes read (fewer means
    // failure or end of file).
    virtual std::size_t Read(std::span<char> buffer) = 0;
    // Like Read, from the given offset; the position Read uses is not moved.
    virtual std::size_t ReadAt(std::uint64_t offset, std::span<char> buffer) = 0;
    // Writes the whole buffer, in as many requests as the system needs; returns the bytes written (fewer means
    // failure).
    virtual std::size_t Write(std::span<const char> data) = 0;
    // Appends `size` bytes of `source`, read from `offset`, where Write would write next; returns the bytes
    // copied (fewer means failure). On Linux the kernel copies between two of its files; otherwise the bytes
    // go through a buffer (AppendThroughBuffer). A failure's cause, the source's or this file's, is this file's
    // Error().
    virtual std::uint64_t AppendFrom(IFile& source, std::uint64_t offset, std::uint64_t size) = 0;
    // The descriptor a kernel copy may read from directly; -1 where every read must go through ReadAt (Windows,
    // a test's file that injects faults).
    virtual int KernelCopyDescriptor() { return -1; }
    // Puts what was written on the disk, so that the file may safely replace another.
    virtual bool Flush() = 0;
    // Starts putting what was written on the disk without waiting, so that the Flush of many files started
    // together waits for one write-back instead of one after another; promises nothing by itself.
    virtual void StartFlush() {}
    // Asks the system to start reading the first and the last `bytes` of the file, so that the disk reads them
    // while the program does other things; promises nothing.
    virtual void ReadAheadEnds(std::uint64_t /*bytes*/) {}
    // Gives this new file the permissions (and, where allowed, the owner) of the file it will replace, so that it
    // never has other ones on the disk. Where the system gives them at the replacement itself (Windows), nothing.
    virtual bool TakePermissionsOf(const CFileInfo&) { return true; }
    // Of the open file itself, not of whatever its name leads to now. The first call after opening may answer
    // from the status the opening itself took, which is as fresh.
    virtual std::optional<CFileInfo> Info() = 0;
};

using CFileHandle = std::unique_ptr<IFile>;

// One match of a folder search.
struct CFindData {
    std::string strName;                   // bare name, as stored in the folder
    std::uint64_t nSize = 0;               // folders report 0
    EFileKind eKind = EFileKind::Regular;  // of the entry itself: a link is a link, whatever it leads to
    bool IsFolder() const { return eKind == EFileKind::Folder; }
};

// An exclusive claim on a folder, released when it goes away or when the process dies.
class IFolderLock {
  public:
    virtual ~IFolderLock() = default;
};

struct CFolderLock {
    bool bBusy = false;                  // another process holds the folder: do nothing
    std::unique_ptr<IFolderLock> pHold;  // null where the system offers no lock (a network share)
};

inline std::string BusyFolderText(const std::string& folder) {
    return "ERROR: another Kelvara is working in " + folder;
}

class IFileSystem;

// IFileSystem::LockFolder for one command: a folder that is there but cannot be locked (a file system without
// locks) is named in the log, since another Kelvara there would go unnoticed; the command goes on.
CFolderLock LockFolderForCommand(IFileSystem& fs, const std::string& folder);

enum class EDeleteResult { Deleted, NotFound, Failed };

class IFileSystem {
  public:
    virtual ~IFileSystem() = default;

    // Every call that may fail says why in its last argument, `error`, where it fails.

    // Reading: others may read too; the file must exist and be a regular file (a link to one will do).
    // Never blocks: a FIFO is refused, not waited on.
    virtual CFileHandle OpenRead(const std::string& path, CFileError& error) = 0;
    // Reading a folder's own entry: like OpenRead, but a link is refused instead of followed.
    virtual CFileHandle OpenEntryRead(const std::string& path, CFileError& error) = 0;
    // Writing a file that must not exist yet, so that no other writer can share it; readable by its owner only
    // until it is given other permissions.
    virtual CFileHandle OpenNew(const std::string& path, CFileError& error) = 0;
    // What `path` names, following a link or not; nullopt when nothing is there or it cannot be told.
    virtual std::optional<CFileInfo> InfoOf(const std::string& path, bool followLinks) = 0;

    // A pattern whose last part holds * or ? lists the matching names directly in its folder,
    // compared without regard to case ("*.*" matches every name, "." and ".." included).
    // A plain path finds that one entry. nullopt: the folder cannot be searched.
    virtual std::optional<std::vector<CFindData>> Find(const std::string& pattern) = 0;
    // The one entry `path` names, taken as it stands: * and ? in it are no wildcards. Like Windows, it is found
    // whatever the case of its last part. nullopt: nothing is there, or the folder cannot be searched.
    virtual std::optional<CFindData> FindEntry(const std::string& path) = 0;
    // Like Find for a pattern with * or ?, for a caller that needs the kinds of the entries but not their sizes:
    // where the folder's listing tells an entry's kind, its size is left 0 and its status is not asked for.
    virtual std::optional<std::vector<CFindData>> FindKinds(const std::string& pattern) { return Find(pattern); }

    // Copies the content (and the times) of the regular file `from` into the new file `newPath`, which must
    // not exist yet. Returns the new file open for flushing; null, with no new file left, on failure.
    virtual CFileHandle CopyToNew(const std::string& from, const std::string& newPath, CFileError& error) = 0;
    virtual EDeleteResult Delete(const std::string& path, CFileError& error) = 0;
    // Creates one folder level; false when it could not be made (an existing folder included).
    virtual bool CreateFolder(const std::string& path) = 0;

    // Whether an existing regular file (not a link) may be replaced; a read-only file may not, whoever asks.
    virtual bool CanWrite(const std::string& path, CFileError& error) = 0;
    // The same for the file `path` names, whose status `opened` was just taken from an open handle on it, which
    // may still be open: that status is not asked for again.
    virtual bool CanWriteOpened(const std::string& path, const CFileInfo& opened, CFileError& error) = 0;
    // Moves `replacement` over `target` in one step, so that `target` holds either its old or its new
    // content at every moment. The new file keeps the target's attributes where the system sets them here.
    virtual bool Replace(const std::string& replacement, const std::string& target, CFileError& error) = 0;
    // Puts the folder's own changes (names made, renamed, removed) on the disk.
    virtual bool FlushFolder(const std::string& folder, CFileError& error) = 0;
    // Puts everything written on the folder's file system on the disk in one go, so that the flushes of many files
    // that follow find little left to wait for; promises nothing by itself (each file's Flush does).
    virtual void FlushVolume(const std::string&) {}
    // The bytes this process may still write in the folder's file system; nullopt when the system cannot tell.
    virtual std::optional<std::uint64_t> FreeSpace(const std::string& folder) = 0;
    // Claims the folder for this process alone, without waiting; see CFolderLock.
    virtual CFolderLock LockFolder(const std::string& folder) = 0;
};

// Copies with overwrite: the copy is made beside `to`, flushed, and renamed over it, so that `to` holds its
// old or its whole new content at every moment, even after a power cut. A read-only `to` is refused.
bool CopyWhole(IFileSystem& fs, const std::string& from, const std::string& to, CFileError& error);

// IFile::AppendFrom through a buffer in this process, one read and one write after another, for systems or
// files that offer nothing better. `error` says why it stopped short, the source's reason or the target's.
std::uint64_t AppendThroughBuffer(IFile& from, std::uint64_t offset, std::uint64_t size, IFile& to, CFileError& error);

// Removes what writers that died left in `folder`: regular files with Kelvara's temporary names, only those
// for files named `name` when one is given. Only while holding the folder's lock, so no living writer's file
// is taken.
void RemoveLeftoverTemporaries(IFileSystem& fs, const std::string& folder, const std::string& name = {});

// Whether a file name may hold * or ?; on Windows neither may.
bool FileNamesMayHoldWildcards();

// Makes temporary names unique to the process.
std::uint32_t CurrentProcessId();

// The operating system's file services, for the life of the process.
IFileSystem& DefaultFileSystem();
