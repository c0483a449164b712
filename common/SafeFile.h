#pragma once

#include <string>

// Writes bytes to a new file beside path and renames it over path, so that a failure at any point
// (full disk, folder gone, write-protected) leaves the earlier file as it was. Returns false on
// failure, with errno telling why; the temporary file is removed then.
bool WriteFileReplacing(const std::string& path, const std::string& bytes);

// True when path names a file that exists and this process may not write (a replacing save would
// bypass the protection, so callers refuse instead). errno tells why.
bool IsWriteProtected(const std::string& path);
