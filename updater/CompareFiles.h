#pragma once

#include <string>

// Block size of the read-back comparison, in bytes.
constexpr int CompareBlockSize = 200;

// True when the read-back file begins with the bytes of the written file (bytes beyond the written
// file's length are not looked at). False when either file cannot be opened or the read-back file
// is shorter than the written file. The read-back file is deleted in every case; the written file
// is left untouched.
bool CompareFiles(const std::string& written, const std::string& readBack);
