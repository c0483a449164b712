#include "common/CommandArguments.h"

std::vector<std::string> CommandArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

// The terminal takes UTF-8 already: the code page kept on Windows stays unused.
TUtf8Console::TUtf8Console() {
    (void)OldCodePage;
}

TUtf8Console::~TUtf8Console() = default;
