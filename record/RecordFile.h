#pragma once

#include <string>
#include <vector>

// Appends line (one whole line, its break included) to the record file at path under an exclusive
// lock of the whole file, in one write, the file's folder made when missing. A file whose last
// line was cut short (a power loss) gets a line break first, so the new line stays whole. False
// with why (the operation, the path and the system's reason) when it cannot be written.
bool AppendRecordLine(const std::string& path, const std::string& line, std::string& why);

// The lines of the record file; a line cut short or not readable as a record is left out with a
// warning naming its line number. A file that does not exist holds no lines; one that cannot be
// read sets why and answers false.
struct TRecordLines {
    std::vector<std::string> Lines;
    std::vector<std::string> Warnings;
};
bool ReadRecordLines(const std::string& path, TRecordLines& out, std::string& why);

// The whole contents of a file (UTF-8 path); false with why when it cannot be read, and missing set
// (where given) when it does not exist.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& why, bool* missing = nullptr);

// The platform's part of AppendRecordLine: the lock, the line break after a cut line, the write.
bool AppendWholeLine(const std::string& path, const std::string& line, std::string& why);
