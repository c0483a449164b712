#include "common/CommandArguments.h"

#include "common/WideTextWin32.h"

#include <memory>

#include <shellapi.h>
#include <windows.h>

std::vector<std::string> CommandArguments(int, char**) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> words(CommandLineToArgvW(GetCommandLineW(), &count),
                                                              &LocalFree);
    std::vector<std::string> arguments;
    for (int i = 1; words && i < count; ++i)
        arguments.push_back(Utf8FromWide(words.get()[i]));
    return arguments;
}

// The console's code page is the console's, not the program's: it is given back at the end.
TUtf8Console::TUtf8Console() : OldCodePage(GetConsoleOutputCP()) {
    if (OldCodePage != 0)
        SetConsoleOutputCP(CP_UTF8);
}

TUtf8Console::~TUtf8Console() {
    if (OldCodePage != 0)
        SetConsoleOutputCP(OldCodePage);
}
