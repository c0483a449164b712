#include "updater/CloseSignals.h"

#include "updater/CloseSignalsWin32.h"

namespace {

volatile std::sig_atomic_t Last = 0;
// Set once the program's clean-up ran (its TCloseSignals ended); reset while one lives.
HANDLE CleanedUp = CreateEventW(nullptr, TRUE, TRUE, nullptr);
std::atomic<int> Seen{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

} // namespace

// Runs on a thread the console starts. Ctrl-C and Ctrl-Break count as SIGINT; closing the console,
// logging off and shutting down as SIGTERM. Answering TRUE leaves the ending to the program, which
// gives up its transfer and removes its read-back file first. After a close, a logoff or a shutdown
// the system ends the process as soon as this returns: so it returns once the clean-up ran, or
// when the system's own limit draws near.
BOOL WINAPI OnConsoleControl(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        Last = SIGINT;
        Seen.store(SIGINT, std::memory_order_release);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        Last = SIGTERM;
        Seen.store(SIGTERM, std::memory_order_release);
        if (CleanedUp)
            WaitForSingleObject(CleanedUp, CloseCleanUpWaitMs);
        return TRUE;
    default:
        return FALSE;
    }
}

TCloseSignals::TCloseSignals() {
    Last = 0;
    Seen.store(0);
    if (CleanedUp)
        ResetEvent(CleanedUp);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

TCloseSignals::~TCloseSignals() {
    if (CleanedUp)
        SetEvent(CleanedUp);
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

const volatile std::sig_atomic_t& TCloseSignals::Received() {
    return Last;
}

const std::atomic<int>& TCloseSignals::Asked() {
    return Seen;
}
