#pragma once

#include <string>

// The full path of the running program's own file; empty when the system cannot tell.
std::string OwnProgramPath();

// The path this program was started by, made absolute but not resolved through links, so that a
// program started through a link in a user's folder takes that folder as its program folder.
// argv0 is the program's first argument; a bare name is looked up in PATH as the shell did. Where
// neither gives an existing file, OwnProgramPath.
std::string InvokedProgramPath(const std::string& argv0);
// The platform's folder separator as paths are composed with it: "/", or "\" on Windows.
extern const char* const PathSeparator;

// Every character that ends a folder part of a path: "/", or "\" and "/" on Windows.
extern const char* const PathSeparators;
