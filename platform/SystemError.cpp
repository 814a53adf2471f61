#include "SystemError.h"

#include <utility>

namespace {

// Per thread: the window's worker and the window's own thread never see each other's reasons.
thread_local std::string g_lastSystemError;

}  // namespace

std::string LastSystemError() {
    return g_lastSystemError;
}

void NoteSystemError(std::string reason) {
    g_lastSystemError = std::move(reason);
}
