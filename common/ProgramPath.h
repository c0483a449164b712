#pragma once

#include <string>

// The full path of the running program's own file; empty when the system cannot tell.
std::string OwnProgramPath();

// The platform's folder separator as paths are composed with it: "/", or "\" on Windows.
extern const char* const PathSeparator;

// Every character that ends a folder part of a path: "/", or "\" and "/" on Windows.
extern const char* const PathSeparators;
