// A helper of the road under wine: starts the command line given as its one argument exactly as it
// stands, waits for its end and ends with its exit code. Wine quotes an argument that holds a blank,
// and an installer's "/D=" must reach it unquoted even where the folder's name holds blanks.

#include "common/UniqueHandleWin32.h"
#include "common/WideTextWin32.h"

#include <cstdio>
#include <string>

#include <windows.h>

#include <shellapi.h>

int main() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count != 2) {
        std::fprintf(stderr, "usage: RunCommandLine \"COMMAND LINE\"\n");
        return 64;
    }
    std::wstring line = arguments[1];
    LocalFree(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "RunCommandLine: cannot start %s: %s\n", Utf8FromWide(line).c_str(),
                     SystemErrorText(GetLastError()).c_str());
        return 70;
    }
    const TUniqueHandle thread(process.hThread);
    const TUniqueHandle child(process.hProcess);
    WaitForSingleObject(child.Get(), INFINITE);
    DWORD code = 70;
    GetExitCodeProcess(child.Get(), &code);
    return static_cast<int>(code);
}
