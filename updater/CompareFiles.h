#pragma once

#include <cstdint>
#include <string>

// Block size of the read-back comparison, in bytes.
constexpr int CompareBlockSize = 200;

// What a comparison of a written file with a read-back found.
struct TFileComparison {
    bool Opened = false; // both files could be opened and the written one measured
    bool Same = false;
    std::uint64_t Offset = 0; // when opened and not the same: the first written byte the read-back
                              // does not hold (a different byte, or one past its end)
};

// Compares as the read-back does, in blocks of CompareBlockSize: the read-back must begin with the
// written file's bytes; bytes beyond the written file's length are not looked at. Neither file is
// changed.
TFileComparison CompareFileBytes(const std::string& written, const std::string& readBack);

// True when the read-back file begins with the bytes of the written file (bytes beyond the written
// file's length are not looked at). False when either file cannot be opened or the read-back file
// is shorter than the written file. The read-back file is deleted in every case; the written file
// is left untouched.
bool CompareFiles(const std::string& written, const std::string& readBack);
