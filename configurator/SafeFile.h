#pragma once

#include <stdexcept>
#include <string>

// A file that could not be written; the text names the operation, the path and the system's reason.
class EFileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the file at path by bytes without ever leaving a half-written file behind: the bytes go
// to a new file beside it, which is then renamed over the old one. On any failure the old file is
// left as it was and EFileWriteError is raised. A write-protected file is refused, not replaced.
void ReplaceFileContents(const std::string& path, const std::string& bytes);
