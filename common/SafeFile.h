#pragma once

#include <string>

// Saves bytes as the whole contents of path, by one rule for every file the configurator keeps:
// - where the folder allows it, the bytes go to a new file beside path that is then renamed over
//   it, so that a failure at any point (full disk, folder gone) leaves the earlier file as it was;
//   the new file takes the old one's permission bits, a first save the usual ones of a new file;
// - where only the file is writable (a folder the user cannot write), it is rewritten in place;
// - a file the user cannot write (made read-only) is never replaced: the save fails with EACCES.
// A symbolic link is followed: the file it names is saved, the link stays. Returns false on
// failure, with errno telling why; a temporary file is removed then.
bool WriteFileReplacing(const std::string& path, const std::string& bytes);

// Creates path as an empty file when no file of that name exists: a name claimed this way is no
// other process's. Returns false with errno EEXIST when the name is taken, another errno when the
// folder refuses the file.
bool CreateNewFile(const std::string& path);
