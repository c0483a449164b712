#include "common/Terminal.h"

#include <unistd.h>

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

bool EnableTerminalSequences(std::FILE* stream) {
    return IsTerminal(stream);
}
