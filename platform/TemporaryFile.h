#pragma once

#include "FileSystem.h"
#include "SystemError.h"

#include <string>
#include <utility>

// A temporary file that is deleted on every path that does not hand it over.
class CTemporaryFile {
  public:
    CTemporaryFile(IFileSystem& fs, std::string path) : m_fs(&fs), m_path(std::move(path)) {}
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;
    CTemporaryFile(CTemporaryFile&& other) noexcept
        : m_fs(other.m_fs), m_path(std::move(other.m_path)), m_handedOver(std::exchange(other.m_handedOver, true)) {}
    CTemporaryFile& operator=(CTemporaryFile&& other) noexcept {
        if (this != &other) {
            DeleteUnlessHandedOver();
            m_fs = other.m_fs;
            m_path = std::move(other.m_path);
            m_handedOver = std::exchange(other.m_handedOver, true);
        }
        return *this;
    }
    ~CTemporaryFile() { DeleteUnlessHandedOver(); }
    const std::string& Path() const { return m_path; }
    void HandOver() { m_handedOver = true; }

  private:
    void DeleteUnlessHandedOver() {
        if (!m_handedOver) {
            const std::string reason = LastSystemError();  // of the failure that left the file behind
            m_fs->Delete(m_path);
            NoteSystemError(reason);
        }
    }

    IFileSystem* m_fs;
    std::string m_path;
    bool m_handedOver = false;
};
