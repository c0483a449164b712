#pragma once

#include <string>

// INI profile reading and writing with the usual profile semantics: section and key names compared
// without regard to case, every other section, key and line of the file kept, values read up to
// MaxProfileValue bytes (never half a letter), backslashes taken literally. Values are UTF-8; one
// that is not was written in the system's code page by an older program and is read in it.

constexpr std::size_t MaxProfileValue = 2047;

// The value of key in section, or fallback when the file, the section or the key is missing.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& fallback = std::string());

// Sets key in section (both created when missing). Saved by WriteFileReplacing's rule: a failed write
// leaves the earlier file whole, a read-only file is refused. Returns false on failure, with errno
// telling why.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);
