#include "LogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

class CPosixLogFile final : public ILogFile {
  public:
    explicit CPosixLogFile(int fd) : m_fd(fd) {}
    CPosixLogFile(const CPosixLogFile&) = delete;
    CPosixLogFile& operator=(const CPosixLogFile&) = delete;
    ~CPosixLogFile() override { ::close(m_fd); }

    void AppendLine(std::string_view text) override {
        std::string line(text);
        line += '\n';
        std::size_t done = 0;
        while (done < line.size()) {
            const ssize_t written = ::write(m_fd, line.data() + done, line.size() - done);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return;  // a full disk loses the line, nothing more
            }
            done += static_cast<std::size_t>(written);
        }
    }

    void Empty() override { static_cast<void>(::ftruncate(m_fd, 0)); }

  private:
    int m_fd;
};

}  // namespace

COpenedLog OpenLogFile(const char* name) {
    // Looked at first, so that a device is not even opened; the open and its own status below close the race.
    struct stat st {};
    if (::lstat(name, &st) == 0 && !S_ISREG(st.st_mode)) {
        return {ELogOpen::NotRegular, nullptr};
    }
    const int fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        const bool special = errno == ELOOP || errno == ENXIO || errno == EISDIR || errno == EWOULDBLOCK;
        return {special ? ELogOpen::NotRegular : ELogOpen::Failed, nullptr};
    }
    auto file = std::make_unique<CPosixLogFile>(fd);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return {ELogOpen::NotRegular, nullptr};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Some file systems offer no locks: the log is used unclaimed, as it always was.
        return errno == EWOULDBLOCK ? COpenedLog{ELogOpen::Busy, nullptr}
                                    : COpenedLog{ELogOpen::Opened, std::move(file)};
    }
    return {ELogOpen::Opened, std::move(file)};
}
