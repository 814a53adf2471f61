#pragma once

// The file services the tool needs, behind one interface so that the POSIX and the Win32
// implementations keep the same meaning and tests can make any of them fail.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// An open file. Released (closed) when the owning pointer goes away, on every path.
class IFile {
  public:
    virtual ~IFile() = default;

    // Full 64-bit size; nullopt when the system cannot tell.
    virtual std::optional<std::uint64_t> Size() = 0;
    // Fills the whole buffer as one request; returns the bytes read (fewer means failure or end of file).
    virtual std::size_t Read(std::span<char> buffer) = 0;
    // Fills the whole buffer from the given offset, as one request; the position Read uses is not moved.
    virtual std::size_t ReadAt(std::uint64_t offset, std::span<char> buffer) = 0;
    // Writes the whole buffer as one request; returns the bytes written (fewer means failure).
    virtual std::size_t Write(std::span<const char> data) = 0;
    // Puts what was written on the disk, so that the file may safely replace another.
    virtual bool Flush() = 0;
    // Cuts or extends the file to `size` bytes.
    virtual bool Truncate(std::uint64_t size) = 0;
};

using CFileHandle = std::unique_ptr<IFile>;

// One match of a folder search.
struct CFindData {
    std::string strName;      // bare name, as stored in the folder
    std::uint64_t nSize = 0;  // folders report 0
    bool bFolder = false;
};

enum class EDeleteResult { Deleted, NotFound, Failed };

class IFileSystem {
  public:
    virtual ~IFileSystem() = default;

    // Reading: others may read too; the file must exist and must not be a folder.
    virtual CFileHandle OpenRead(const std::string& path) = 0;
    // Writing: created or replaced (emptied).
    virtual CFileHandle OpenWrite(const std::string& path) = 0;
    // Writing over an existing file without emptying it first, so its blocks are reused, not freed.
    virtual CFileHandle OpenOverwrite(const std::string& path) = 0;

    // A pattern whose last part holds * or ? lists the matching names directly in its folder,
    // compared without regard to case ("*.*" matches every name, "." and ".." included).
    // A plain path finds that one entry. nullopt: the folder cannot be searched.
    virtual std::optional<std::vector<CFindData>> Find(const std::string& pattern) = 0;

    // Copies with overwrite. A failed copy leaves no partial file at the destination.
    virtual bool Copy(const std::string& from, const std::string& to) = 0;
    virtual EDeleteResult Delete(const std::string& path) = 0;
    // Creates one folder level; false when it could not be made (an existing folder included).
    virtual bool CreateFolder(const std::string& path) = 0;

    // Appends `size` bytes of `from`, read from `offset`, to `to`; in the kernel where the system can.
    // Returns the bytes copied (fewer means failure).
    virtual std::uint64_t CopyRange(IFile& from, std::uint64_t offset, std::uint64_t size, IFile& to) = 0;
    // Whether an existing file could be opened for writing; a read-only file cannot, whoever asks.
    virtual bool CanWrite(const std::string& path) = 0;
    // Moves `replacement` over `target` in one step, so that `target` holds either its old or its new
    // content at every moment. The new file keeps the target's permissions.
    virtual bool Replace(const std::string& replacement, const std::string& target) = 0;
    // Like Replace, but the old content is kept under the replacement's name instead of being freed, in the
    // same single step. False, with nothing changed, where the system cannot swap two names or where other
    // names (hard links) share the target's content, which must never be written over.
    virtual bool Exchange(const std::string& replacement, const std::string& target) = 0;
};

// CopyRange through a buffer, for systems or files that offer nothing better.
std::uint64_t CopyRangeThroughBuffer(IFile& from, std::uint64_t offset, std::uint64_t size, IFile& to);

// The operating system's file services, for the life of the process.
IFileSystem& DefaultFileSystem();
