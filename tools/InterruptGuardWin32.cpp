#include "tools/InterruptGuard.h"

#include <windows.h>

volatile std::sig_atomic_t Interrupted = 0;

namespace {

// Runs on a thread of its own that the console starts; answering TRUE keeps the process alive so
// that the update can stop its worker and report.
BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)
        return FALSE;
    Interrupted = 1;
    return TRUE;
}

} // namespace

TInterruptGuard::TInterruptGuard() {
    Interrupted = 0;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

TInterruptGuard::~TInterruptGuard() {
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}
