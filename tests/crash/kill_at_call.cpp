// kill_at_call NUMBER N FOLDER PROGRAM ARGS...: runs PROGRAM and kills it with SIGKILL on entry to its Nth call of
// the system call NUMBER, counted over all its threads together (strace's inject counts each thread on its own). A
// call on a descriptor of something outside FOLDER is not counted: the console's, or a preloaded library's, vary
// from run to run. The call never takes effect: a thread stopped on entry dies there. Exits as the program ended,
// 128 + 9 when killed.

#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A first argument that is no descriptor (a name, AT_FDCWD) counts.
bool IsCountedEntryTo(pid_t thread, long number, const std::string& inside) {
    __ptrace_syscall_info info{};
    if (::ptrace(PTRACE_GET_SYSCALL_INFO, thread, sizeof info, &info) <= 0 || info.op != PTRACE_SYSCALL_INFO_ENTRY ||
        static_cast<long>(info.entry.nr) != number) {
        return false;
    }
    std::error_code notADescriptor;
    const auto target = std::filesystem::read_symlink(
        "/proc/" + std::to_string(thread) + "/fd/" + std::to_string(info.entry.args[0]), notADescriptor);
    return notADescriptor || target.string().starts_with(inside);
}

}  // namespace

int main(int argc, char** argv) {
    const long number = argc > 4 ? std::atol(argv[1]) : 0;
    const long target = argc > 4 ? std::atol(argv[2]) : 0;
    if (number < 1 || target < 1) {
        std::fprintf(stderr, "usage: kill_at_call NUMBER N FOLDER PROGRAM ARGS...\n");
        return 2;
    }
    const std::string inside = std::string(argv[3]) + "/";  // what every path within FOLDER begins with
    const pid_t program = ::fork();
    if (program == 0) {
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::raise(SIGSTOP);  // so that the tracer sets its options before the program runs
        ::execvp(argv[4], argv + 4);
        std::perror(argv[4]);
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(program, &status, 0);
    ::ptrace(PTRACE_SETOPTIONS, program, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACECLONE | PTRACE_O_EXITKILL);
    ::ptrace(PTRACE_SYSCALL, program, nullptr, nullptr);
    for (long seen = 0;;) {
        const pid_t thread = ::waitpid(-1, &status, __WALL);
        if (thread < 0 || ((WIFEXITED(status) || WIFSIGNALED(status)) && thread == program)) {
            return thread < 0 ? 1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        const int signal = WIFSTOPPED(status) ? WSTOPSIG(status) : 0;
        if (signal == (SIGTRAP | 0x80) && IsCountedEntryTo(thread, number, inside) && ++seen == target) {
            ::kill(program, SIGKILL);  // the thread is left stopped: it dies without making the call
        } else if (WIFSTOPPED(status)) {
            // A system call stop, a new thread's first stop or an event stop: nothing to deliver.
            const bool quiet = signal == (SIGTRAP | 0x80) || signal == SIGTRAP ||
                               (signal == SIGSTOP && status >> 16 == 0 && thread != program);
            ::ptrace(PTRACE_SYSCALL, thread, nullptr, reinterpret_cast<void*>(static_cast<long>(quiet ? 0 : signal)));
        }
    }
}
