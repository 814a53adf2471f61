#include "SystemError.h"

#include <utility>

namespace {

// Per thread: the window's worker and the window's own thread never see each other's reasons.
thread_local std::string g_lastSystemError;
thread_local bool g_lastWasNoSpace = false;

}  // namespace

std::string LastSystemError() {
    return g_lastSystemError;
}

bool LastSystemErrorIsNoSpace() {
    return g_lastWasNoSpace;
}

void NoteSystemError(std::string reason, bool noSpace) {
    g_lastSystemError = std::move(reason);
    g_lastWasNoSpace = noSpace;
}
