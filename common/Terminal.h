#pragma once

#include <cstdio>

// True when stream is connected to a terminal (so that output may be redrawn in place).
bool IsTerminal(std::FILE* stream);

// Lets the terminal behind stream take control sequences (cursor moves, erasing a line), so that
// output can be redrawn in place; true when it takes them. A Windows console takes them once its
// virtual terminal processing is enabled, which this does.
bool EnableTerminalSequences(std::FILE* stream);
