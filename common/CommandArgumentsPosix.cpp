#include "common/CommandArguments.h"

std::vector<std::string> CommandArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

TUtf8Console::TUtf8Console() = default;

TUtf8Console::~TUtf8Console() = default;
