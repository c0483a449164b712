#pragma once

#include <cstdio>

// True when stream is connected to a terminal (so that output may be redrawn in place).
bool IsTerminal(std::FILE* stream);
