// A helper of RunAndWaitWin32Test: writes the command line it was started with to the file that
// ZE_ECHO_FILE names, the arguments the updater takes from it, one a line, to the file that
// ZE_ECHO_ARGUMENTS_FILE names (both in UTF-8), sleeps ZE_ECHO_SLEEP_MS milliseconds where given, and
// ends with the number of arguments the runtime split it into.

#include "common/Utf8Path.h"
#include "common/WideTextWin32.h"
#include "updater/ProcessArguments.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

namespace {

std::string Variable(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? Utf8FromWide(value) : std::string();
}

void WriteTo(const wchar_t* variable, const std::string& text) {
    const std::string path = Variable(variable);
    if (path.empty())
        return;
    if (std::FILE* out = OpenUtf8File(path, "wb")) {
        std::fputs(text.c_str(), out);
        std::fclose(out);
    }
}

} // namespace

int main(int argc, char** argv) {
    WriteTo(L"ZE_ECHO_FILE", Utf8FromWide(GetCommandLineW()));
    std::string lines;
    for (const auto& argument : ProcessArguments(argc, argv))
        lines += argument + "\n";
    WriteTo(L"ZE_ECHO_ARGUMENTS_FILE", lines);
    if (const std::string sleep = Variable(L"ZE_ECHO_SLEEP_MS"); !sleep.empty())
        Sleep(static_cast<DWORD>(std::atoi(sleep.c_str())));
    return argc - 1;
}
