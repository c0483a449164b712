#include "updater/CloseSignals.h"

#include <windows.h>

namespace {

volatile std::sig_atomic_t Last = 0;

// Runs on a thread the console starts. Ctrl-C and Ctrl-Break count as SIGINT; closing the console,
// logging off and shutting down as SIGTERM. Answering TRUE leaves the ending to the program, which
// gives up its transfer and removes its read-back file first.
BOOL WINAPI OnConsoleControl(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        Last = SIGINT;
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        Last = SIGTERM;
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

TCloseSignals::TCloseSignals() {
    Last = 0;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

TCloseSignals::~TCloseSignals() {
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

const volatile std::sig_atomic_t& TCloseSignals::Received() {
    return Last;
}
