#pragma once

#include <cstdio>
#include <string>

// What a file the worker sends from turned out to be.
enum class TSourceKind { Unopened, Folder, Regular, Other };

// Opens path for reading without waiting for a writer, should it name a FIFO, and unbuffered, so
// that each block is read as it is sent and a file cut short meanwhile is noticed at the block it
// affects. Answers the file (nullptr when it did not open) and sets kind.
std::FILE* OpenSourceFile(const std::string& path, TSourceKind& kind);
