#include "configurator/RunAndWait.h"

#include "common/UniqueHandleWin32.h"
#include "common/WideTextWin32.h"

#include <shellapi.h>
#include <windows.h>

namespace {

std::string SystemText(DWORD error) {
    return SystemErrorText(error) + " (error " + std::to_string(error) + ")";
}

// Why ShellExecuteEx failed. Its own code in hInstApp comes first: the last error may instead be
// that of the message box by which the shell reported the failure (under wine without a display,
// "Invalid window handle").
DWORD ShellFailure(const SHELLEXECUTEINFOW& request) {
    const auto code = reinterpret_cast<INT_PTR>(request.hInstApp);
    switch (code) {
    case SE_ERR_FNF:
    case SE_ERR_PNF:
    case SE_ERR_ACCESSDENIED:
    case SE_ERR_OOM:
        return static_cast<DWORD>(code); // the same numbers as the system's errors
    case SE_ERR_SHARE:
        return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
        return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
        return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND:
        return ERROR_DLL_NOT_FOUND;
    default:
        return GetLastError();
    }
}

// Answers what the system and other threads send to this thread's windows, taking nothing from the
// queue: a thread that has not looked at its queue for five seconds has its windows greyed as "Not
// Responding" and offered to be ended, which would lose what the configurator saves at its end.
// Input and painting stay queued, so the windows still take no input while the updater runs.
void AnswerTheSystem() {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
}

} // namespace

// The shell starts the program with the parameter text whole: the program splits it itself, by the
// same rules. A failure to start is reported by the caller, so the shell shows no box of its own.
TRunOutcome RunAndWait(const std::string& program, const std::string& parameters, bool hidden, int giveUpMs) {
    TRunOutcome outcome;
    const std::wstring file = WideFromUtf8(program);
    const std::wstring text = WideFromUtf8(parameters);
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    request.lpFile = file.c_str();
    request.lpParameters = text.c_str();
    request.nShow = hidden ? SW_HIDE : SW_SHOWNORMAL;
    if (!ShellExecuteExW(&request)) {
        outcome.Error = SystemText(ShellFailure(request));
        return outcome;
    }
    outcome.Started = true;
    const TUniqueHandle process(request.hProcess);
    if (!process.Valid()) {
        // A document opened in a program already running: there is no process of ours to wait for.
        outcome.Ended = true;
        return outcome;
    }
    // Only the pause between two looks at the exit code: nothing signals it.
    const TUniqueHandle pause(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const ULONGLONG t0 = GetTickCount64();
    for (;;) {
        DWORD code = STILL_ACTIVE;
        if (!GetExitCodeProcess(process.Get(), &code) || code != STILL_ACTIVE) {
            outcome.Ended = true;
            outcome.ExitCode = static_cast<int>(code);
            return outcome;
        }
        if (GetTickCount64() - t0 >= static_cast<ULONGLONG>(giveUpMs))
            return outcome; // left running
        AnswerTheSystem();
        if (pause.Valid())
            WaitForSingleObject(pause.Get(), RunAndWaitPollMs);
        else
            Sleep(RunAndWaitPollMs);
    }
}
