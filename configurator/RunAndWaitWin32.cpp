#include "configurator/RunAndWait.h"

#include "common/UniqueHandleWin32.h"

#include <shellapi.h>
#include <windows.h>

namespace {

std::string SystemText(DWORD error) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        error, 0, text, sizeof text, nullptr);
    std::string result(text, length);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r'))
        result.pop_back();
    return result + " (error " + std::to_string(error) + ")";
}

// Why ShellExecuteEx failed. Its own code in hInstApp comes first: the last error may instead be
// that of the message box by which the shell reported the failure (under wine without a display,
// "Invalid window handle").
DWORD ShellFailure(const SHELLEXECUTEINFOA& request) {
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

} // namespace

// The shell starts the program with the parameter text whole: the program splits it itself, by the
// same rules. The shell reports a failure to start in a message box of its own.
TRunOutcome RunAndWait(const std::string& program, const std::string& parameters, bool hidden, int giveUpMs) {
    TRunOutcome outcome;
    SHELLEXECUTEINFOA request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS;
    request.lpFile = program.c_str();
    request.lpParameters = parameters.c_str();
    request.nShow = hidden ? SW_HIDE : SW_SHOWNORMAL;
    if (!ShellExecuteExA(&request)) {
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
    const TUniqueHandle pause(CreateEventA(nullptr, FALSE, FALSE, nullptr));
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
        if (pause.Valid())
            WaitForSingleObject(pause.Get(), RunAndWaitPollMs);
        else
            Sleep(RunAndWaitPollMs);
    }
}
