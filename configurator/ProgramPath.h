#pragma once

#include <string>

// The path this program was started by, made absolute but not resolved through links, so that a
// program started through a link in a user's folder takes that folder as its program folder.
// argv0 is the program's first argument; a bare name is looked up in PATH as the shell did. Where
// neither gives an existing file, the program's own file as the system names it.
std::string InvokedProgramPath(const std::string& argv0);
