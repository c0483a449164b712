#include "updater/ProcessArguments.h"

#include "common/CommandLine.h"

#include <windows.h>

std::vector<std::string> ProcessArguments(int, char**) {
    return SplitProcessCommandLine(GetCommandLineA());
}
