#include "updater/ProcessArguments.h"

#include "common/CommandLine.h"
#include "common/WideTextWin32.h"

#include <windows.h>

std::vector<std::string> ProcessArguments(int, char**) {
    return SplitProcessCommandLine(Utf8FromWide(GetCommandLineW()));
}
